#include "core/login/backup.h"

#include <cstdlib>
#include <system_error>

#include "core/login/account_list.h"
#include "core/login/managed_accounts.h"
#include "core/platform/error_boundary.h"
#include "core/store/catalogue.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/gbk.h"
#include "core/store/table_file.h"

namespace vmx::app {

namespace fs = std::filesystem;

namespace {

void make_dirs(const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw store::Error(std::string(kCannotMake) + dir.string() + ": " + ec.message());
}

void append(CopyReport& into, const CopyReport& part) {
  into.copied.insert(into.copied.end(), part.copied.begin(), part.copied.end());
  into.failed.insert(into.failed.end(), part.failed.begin(), part.failed.end());
}

// Is the backup's "valmorix" the program directory itself (the program
// installed as ~/valmorix and the home directory chosen as backup
// directory)? Every file would be copied over itself, and nothing saved.
bool is_installation(const fs::path& common_backup, const fs::path& curr_dir) {
  std::error_code ec;
  return fs::equivalent(common_backup, curr_dir, ec);
}

// The account's lock, held by a session of its own while its files are
// replaced: a running program that has the account open refuses it.
std::unique_ptr<store::Session> lock_account(const fs::path& acc_dir) {
  auto owner = std::make_unique<store::Session>();
  owner->set_alias("ubx", acc_dir);
  return owner;
}

}  // namespace

fs::path default_backup_root() {
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / "valmorix-backup";
}

fs::path remembered_backup_root(store::Session& session) {
  try {
    store::Cursor c(session, "curr", kBackupTable);
    c.open();
    c.first();
    if (!c.eof() && !c.get_string("PATH").empty()) return fs::path(c.get_string("PATH"));
  } catch (const std::exception&) {
    // No table yet (an older installation), or one we cannot read: the default.
  }
  return default_backup_root();
}

void remember_backup_root(store::Session& session, const fs::path& root) {
  const fs::path file = session.resolve("curr", kBackupTable);
  std::error_code ec;
  if (!fs::exists(file, ec))
    store::create_table_file(file, store::find_table_spec(kBackupTable)->schema);
  store::Cursor c(session, "curr", kBackupTable);
  c.open();
  const std::string text = root.string();
  const store::Schema& schema = c.schema();
  if (!store::fits_gbk_field(text, size_t(schema.fields[size_t(schema.index_of("PATH"))].width)))
    return;
  c.first();
  if (c.eof())
    c.append();
  else
    c.edit();
  c.set_string("PATH", text);
  c.post();
}

CopyOutcome copy_between(store::Session& session, platform::Dialogs& dialogs,
                         const LoginState& login, const CopyRequest& request) {
  CopyOutcome out;
  if (request.root.empty()) {
    dialogs.inform(kNoBackupRoot);
    return out;
  }
  const fs::path common_backup = request.root / kBackupFolder;
  if (is_installation(common_backup, login.curr_dir)) {
    dialogs.inform(kBackupIsInstallation);
    return out;
  }
  const fs::path account_backup = common_backup / login.acc_dir.filename();
  const bool restoring = request.direction == CopyDirection::FromBackup;
  std::error_code ec;
  std::unique_ptr<store::Session> lock;
  try {
    if (restoring) {
      if (!dialogs.ask(kOverwriteAsk + login.acc_name + kOverwriteAskEnd)) return out;
      if (request.common_files && !fs::is_directory(common_backup, ec)) {
        dialogs.inform(kNoCommonBackup);
        return out;
      }
      if (request.account_files && !fs::is_directory(account_backup, ec)) {
        dialogs.inform(kNoAccountBackup);
        return out;
      }
      if (request.account_files) lock = lock_account(login.acc_dir);
    } else {
      make_dirs(common_backup);
      if (request.account_files) make_dirs(account_backup);
    }
    // Before the copy, which may replace the table itself (a backup made to
    // this root holds this root).
    remember_backup_root(session, request.root);
  } catch (const std::exception& e) {
    dialogs.warn(platform::describe(e));
    return out;
  }

  out.performed = true;
  std::string text;
  const auto part = [&](const fs::path& from, const fs::path& to, FileSet set) {
    CopyReport r;
    copy_files(from, to, set, r);
    append(out.report, r);
    text += (text.empty() ? "" : "\n") + r.text(to);
  };
  if (request.common_files)
    restoring ? part(common_backup, login.curr_dir, FileSet::Tables)
              : part(login.curr_dir, common_backup, FileSet::Tables);
  if (request.account_files)
    restoring ? part(account_backup, login.acc_dir, FileSet::All)
              : part(login.acc_dir, account_backup, FileSet::All);
  lock.reset();
  if (!text.empty()) {
    if (out.report.ok())
      dialogs.inform(text);
    else
      dialogs.warn(text);
  }
  dialogs.inform(kCopyDone);
  return out;
}

CopyReport back_up_installation(store::Session& session, const fs::path& root) {
  const fs::path curr_dir = session.alias_dir("curr");
  const fs::path common_backup = root / kBackupFolder;
  if (is_installation(common_backup, curr_dir)) throw store::Error(kBackupIsInstallation);
  make_dirs(common_backup);
  CopyReport report;
  copy_files(curr_dir, common_backup, FileSet::Tables, report);
  for (const AccountEntry& a : managed_accounts(session)) {
    const SubdirPlace place = locate_subdir(curr_dir, a.subdir);
    if (place.problem != SubdirProblem::None) {
      report.failed.push_back(a.name + ": " +
                              account_directory(curr_dir, a.name, a.subdir).refusal);
      continue;
    }
    const fs::path target = common_backup / place.dir.filename();
    make_dirs(target);
    copy_files(place.dir, target, FileSet::All, report);
  }
  return report;
}

CopyReport restore_account(const LoginState& login, const fs::path& from) {
  std::error_code ec;
  if (files_in(from, FileSet::Tables).empty())
    throw store::Error(kNoTablesToRestore + from.string());
  if (fs::equivalent(from, login.acc_dir, ec))
    throw store::Error(from.string() + " 就是帐户“" + login.acc_name +
                       "”自己的目录，不能从这里恢复。");
  const auto lock = lock_account(login.acc_dir);
  CopyReport report;
  copy_files(from, login.acc_dir, FileSet::All, report);
  return report;
}

}  // namespace vmx::app
