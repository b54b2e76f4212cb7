#include "core/store/table_file.h"

#include <algorithm>
#include <cerrno>
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
                                             const Schema& schema, const OpenOptions& options) {
  switch (kind_of(path)) {
    case Kind::DBase:
      return create_dbf(path, schema, options);
    case Kind::Paradox:
      return create_paradox(path, schema, options);
    case Kind::Unknown:
      break;
  }
  unknown_format(path);
}

namespace {
const platform::Clock* g_table_clock = nullptr;
}  // namespace

const platform::Clock& table_clock() {
  return g_table_clock ? *g_table_clock : platform::system_clock();
}

ScopedTableClock::ScopedTableClock(const platform::Clock& clock) : m_previous(g_table_clock) {
  g_table_clock = &clock;
}

ScopedTableClock::~ScopedTableClock() { g_table_clock = m_previous; }

void throw_io_error(const std::filesystem::path& table, const std::string& what,
                    const platform::FileError& e) {
  // Opening and reading fail as reads; everything else changes the file.
  const bool reading = what.starts_with("cannot open") || what.starts_with("cannot read");
  const ErrorKind kind = e.os_error() == ENOENT ? ErrorKind::FileMissing
                         : reading              ? ErrorKind::CannotRead
                                                : ErrorKind::CannotWrite;
  throw IoError(table.string() + ": " + what + ": " + std::generic_category().message(e.os_error()),
                table.string(), e.os_error(), kind);
}

void replace_file(const std::filesystem::path& path, const std::filesystem::path& tmp,
                  const void* bytes, size_t size) {
  platform::FileSystem& fs = platform::file_system();
  try {
    {
      const auto file = fs.open(tmp, platform::OpenMode::Create);
      file->write_at(bytes, size, 0);
      // On disk before the rename makes it the table: a crash must never leave
      // an empty file under the table's name.
      file->sync();
    }
    fs.rename(tmp, path);
  } catch (const platform::FileError& e) {
    try {
      fs.remove(tmp);
    } catch (const platform::FileError&) {
    }
    throw_io_error(path, "cannot create the table", e);
  }
}

bool same_layout(const Schema& a, const Schema& b) {
  if (a.fields.size() != b.fields.size() || a.key_fields != b.key_fields) return false;
  for (size_t i = 0; i < a.fields.size(); ++i) {
    const FieldDef &x = a.fields[i], &y = b.fields[i];
    if (!iequals(x.name, y.name) || x.type != y.type || x.width != y.width ||
        x.decimals != y.decimals)
      return false;
  }
  return true;
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
