#include "core/store/table_file.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "core/store/error.h"

namespace vmx::store {
namespace {

enum class Kind { DBase, Paradox, Unknown };

Kind kind_of(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  if (iequals(ext, ".dbf")) return Kind::DBase;
  if (iequals(ext, ".db")) return Kind::Paradox;
  return Kind::Unknown;
}

[[noreturn]] void unknown_format(const std::filesystem::path& path) {
  throw Error(path.string() + ": not a table file (the name must end in .DB or .DBF)");
}

}  // namespace

std::unique_ptr<TableFile> open_table_file(const std::filesystem::path& path,
                                           const OpenOptions& options) {
  switch (kind_of(path)) {
    case Kind::DBase:
      return open_dbf(path, options);
    case Kind::Paradox:
      return open_paradox(path, options);
    case Kind::Unknown:
      break;
  }
  unknown_format(path);
}

std::unique_ptr<TableFile> create_table_file(const std::filesystem::path& path,
                                             const Schema& schema) {
  switch (kind_of(path)) {
    case Kind::DBase:
      return create_dbf(path, schema);
    case Kind::Paradox:
      return create_paradox(path, schema);
    case Kind::Unknown:
      break;
  }
  unknown_format(path);
}

std::filesystem::path resolve_case_insensitive(const std::filesystem::path& dir,
                                               std::string_view name) {
  const std::filesystem::path exact = dir / std::filesystem::path(std::string(name));
  std::error_code ec;
  if (std::filesystem::exists(exact, ec)) return exact;
  // Sorted so that a directory holding both TR2.DBF and tr2.dbf always gives
  // the same answer, whatever order the file system lists them in.
  std::vector<std::string> matches;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string file = it->path().filename().string();
    if (iequals(file, name)) matches.push_back(std::move(file));
  }
  if (matches.empty()) return exact;
  return dir / *std::min_element(matches.begin(), matches.end());
}

}  // namespace vmx::store
