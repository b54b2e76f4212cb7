#include "core/login/snapshots.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "core/login/file_copy.h"

namespace vmx::app {

namespace fs = std::filesystem;

namespace {

// The dated directories of a snapshot root, oldest first (the names sort as
// the dates do).
std::vector<std::string> dated(const fs::path& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == 10 && Date::parse(name) && entry.is_directory(ec)) out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The same files, by name, size and modification time (a copy keeps the
// source's time).
bool same_files(const fs::path& dir, FileSet set, const fs::path& snapshot) {
  const std::vector<std::string> names = files_in(dir, set);
  if (names != files_in(snapshot, set)) return false;
  std::error_code ec, ec2;
  for (const std::string& n : names) {
    if (fs::file_size(dir / n, ec) != fs::file_size(snapshot / n, ec2) || ec || ec2) return false;
    if (fs::last_write_time(dir / n, ec) != fs::last_write_time(snapshot / n, ec2) || ec || ec2)
      return false;
  }
  return true;
}

SnapshotOutcome failed(std::string problem) {
  return {SnapshotOutcome::Failed, {}, std::move(problem)};
}

}  // namespace

fs::path snapshot_root(const LoginState& login) {
  return login.curr_dir / kSnapshotFolder / login.acc_dir.filename();
}

SnapshotOutcome take_snapshot(const LoginState& login, Date today) {
  try {
    const fs::path root = snapshot_root(login);
    const std::string name = today.to_string();
    const fs::path dir = root / name;
    std::error_code ec;
    if (fs::exists(dir, ec)) return {SnapshotOutcome::Today, dir, {}};
    const std::vector<std::string> before = dated(root);
    if (!before.empty()) {
      const fs::path newest = root / before.back();
      if (same_files(login.acc_dir, FileSet::All, newest) &&
          same_files(login.curr_dir, FileSet::Tables, newest / kSnapshotCommon))
        return {SnapshotOutcome::Unchanged, newest, {}};
    }

    const fs::path part = root / ("." + name + ".part");
    fs::remove_all(part, ec);
    fs::create_directories(part / kSnapshotCommon, ec);
    if (ec) return failed(part.string() + " 建立不了：" + ec.message());
    CopyReport report;
    copy_files(login.acc_dir, part, FileSet::All, report);
    copy_files(login.curr_dir, part / kSnapshotCommon, FileSet::Tables, report);
    if (!report.ok()) {
      fs::remove_all(part, ec);
      std::string problem = "以下文件没有备份成功：";
      for (const std::string& f : report.failed) problem += "\n" + f;
      return failed(problem);
    }
    fs::rename(part, dir, ec);
    if (ec) {
      std::error_code ignored;
      fs::remove_all(part, ignored);
      return failed(dir.string() + " 建立不了：" + ec.message());
    }

    std::vector<std::string> all = dated(root);
    for (size_t i = 0; i + kSnapshotsKept < all.size(); ++i) fs::remove_all(root / all[i], ec);
    return {SnapshotOutcome::Taken, dir, {}};
  } catch (const std::exception& e) {
    return failed(e.what());
  }
}

void snapshot_at_login(const LoginState& login, Date today, platform::Dialogs& dialogs) {
  const SnapshotOutcome out = take_snapshot(login, today);
  if (out.kind == SnapshotOutcome::Failed) dialogs.warn(kSnapshotFailed + out.problem);
}

}  // namespace vmx::app
