#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Copying the files of one directory into another without ever leaving a
// half-written table under a good one's name.
namespace vmx::app {

// Which files of a directory are taken (its top level only, regular files).
enum class FileSet {
  Tables,  // the table files: *.db, *.dbf, *.px, *.mdx, any case
  All,     // every file
};

// Is `name` one of the table files (*.db, *.dbf, *.px, *.mdx, any case)?
bool is_table_file(const std::string& name);

// The files of `dir` in `set`, by name, sorted. Empty when `dir` is missing.
std::vector<std::string> files_in(const std::filesystem::path& dir, FileSet set);

// What a copy did: the files copied and, for each that failed, its name and
// what went wrong, in the user's words.
struct CopyReport {
  std::vector<std::string> copied;
  std::vector<std::string> failed;  // "name: reason"
  bool ok() const { return failed.empty(); }
  // "已拷贝N个文件到DIR。" and, when some failed, each of them on its own line.
  std::string text(const std::filesystem::path& to) const;
};

// The temporary name a file is written under in the target first.
std::string copy_temporary_name(const std::string& name);

// Copies the files of `from` in `set` into the existing directory `to`
// through the FileSystem seam: each is read under a shared lock (so a
// running program's post is not caught half done), written to
// copy_temporary_name in `to`, made durable and then renamed over its
// target; the target's own spelling of the name (found without regard to
// case) is the one replaced. A file that fails leaves the target's earlier
// file as it was. The copy keeps the source's modification time. Never
// throws for a file; what happened is added to `report`.
void copy_files(const std::filesystem::path& from, const std::filesystem::path& to, FileSet set,
                CopyReport& report);

}  // namespace vmx::app
