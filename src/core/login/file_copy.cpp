#include "core/login/file_copy.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "core/platform/error_boundary.h"
#include "core/platform/file_system.h"
#include "core/store/table_file.h"
#include "core/store/text.h"

namespace vmx::app {

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> read_whole(const fs::path& path) {
  platform::FileSystem& files = platform::file_system();
  std::vector<uint8_t> bytes;
  try {
    const auto in = files.open(path, platform::OpenMode::Read);
    // A running program writes a table under an exclusive lock: waiting for
    // it means no post is caught half written.
    in->lock(false);
    bytes.resize(in->stamp().size);
    bytes.resize(in->read_at(bytes.data(), bytes.size(), 0));
    in->unlock();
  } catch (const platform::FileError& e) {
    store::throw_io_error(path, "cannot read the file", e);
  }
  return bytes;
}

void copy_one(const fs::path& from, const fs::path& to_dir, const std::string& name) {
  const std::vector<uint8_t> bytes = read_whole(from / name);
  const fs::path target = store::resolve_case_insensitive(to_dir, name);
  store::replace_file(target, to_dir / copy_temporary_name(name), bytes.data(), bytes.size());
  std::error_code ec;
  fs::last_write_time(target, fs::last_write_time(from / name, ec), ec);
}

}  // namespace

bool is_table_file(const std::string& name) {
  const std::string ext = store::ascii_lower(fs::path(name).extension().string());
  return ext == ".db" || ext == ".dbf" || ext == ".px" || ext == ".mdx";
}

std::vector<std::string> files_in(const fs::path& dir, FileSet set) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec)) continue;
    if (set == FileSet::Tables && !is_table_file(name)) continue;
    // Our own leftovers of a copy that was cut short are no data.
    if (name.starts_with(".") && name.ends_with(".part")) continue;
    out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string copy_temporary_name(const std::string& name) { return "." + name + ".part"; }

std::string CopyReport::text(const fs::path& to) const {
  std::string s = "已拷贝" + std::to_string(copied.size()) + "个文件到" + to.string() + "。";
  if (!failed.empty()) {
    s +=
        "\n以下" + std::to_string(failed.size()) + "个文件没有拷贝成功，目标中原有的文件保持原样：";
    for (const std::string& f : failed) s += "\n" + f;
  }
  return s;
}

void copy_files(const fs::path& from, const fs::path& to, FileSet set, CopyReport& report) {
  for (const std::string& name : files_in(from, set)) {
    try {
      copy_one(from, to, name);
      report.copied.push_back(name);
    } catch (const std::exception& e) {
      report.failed.push_back(name + ": " + platform::describe(e));
    }
  }
}

}  // namespace vmx::app
