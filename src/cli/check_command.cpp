#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "core/platform/error_boundary.h"
#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/table.h"
#include "core/store/table_check.h"

namespace vmx::cli {

namespace {

// Every fault of one table file, one line each, on standard output; returns
// how many it found. Throws store::Error for a file it cannot read at all.
int check_file(const std::filesystem::path& path) {
  int found = 0;
  const auto say = [&](const std::string& line) {
    std::printf("%s\n", line.c_str());
    ++found;
  };
  const std::string name = path.string();
  std::unique_ptr<store::TableFile> file;
  try {
    store::OpenOptions ro;
    ro.read_only = true;
    file = store::open_table_file(path, ro);
  } catch (const store::Error& e) {
    if (e.kind() != store::ErrorKind::Damaged) throw;
    for (const auto& item : e.details().items) say(name + ": " + item);
    return found;
  }
  if (const store::TableSpec* spec = store::find_table_spec(path.filename().string()))
    if (!spec->earlier_version)
      for (const auto& e : store::catalogue_faults(*file, *spec)) say(e.what());
  const store::Table table(std::move(file));
  for (const auto& c : store::unreadable_cells(table))
    say(name + ": row " + std::to_string(c.row) + ", field " + c.field + ": '" + c.text +
        "' cannot be read");
  return found;
}

}  // namespace

namespace {

int run_check(const std::vector<std::string>& files) {
  int faults = 0;
  bool unreadable = false;
  for (const auto& f : files) {
    try {
      faults += check_file(f);
    } catch (const std::exception& e) {
      fail("check", platform::describe(e));
      unreadable = true;
    }
  }
  if (unreadable) return kUsageError;
  return faults > 0 ? kStopped : kOk;
}

}  // namespace

// valmorix-cli check FILE...
void add_check_command(Commands& commands) {
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App& cmd = commands.add(
      "check",
      "Lists every fault of table files, one per line: a header that disagrees with the file, a "
      "field the program needs missing or unfit, a number or date cell that cannot be read. Exit "
      "1 when it finds any, 0 when the files are clean.",
      [files] { return run_check(*files); });
  cmd.add_option("FILE", *files, "dBase or Paradox table files")->required();
}

}  // namespace vmx::cli
