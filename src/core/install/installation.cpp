#include "core/install/installation.h"

#include <system_error>
#include <vector>

#include "core/install/seed_data.h"
#include "core/optimise/model.h"
#include "core/platform/clock.h"
#include "core/store/catalogue.h"
#include "core/store/error.h"

namespace vmx::store {

namespace fs = std::filesystem;

namespace {

// Refuses anything but an empty or missing directory, and creates a missing
// one. Returns whether it created `dir` (so a failure can remove it again).
bool prepare_target(const fs::path& dir) {
  std::error_code ec;
  const auto status = fs::status(dir, ec);
  if (fs::exists(status)) {
    if (!fs::is_directory(status))
      throw Error(dir.string() +
                  ": exists and is not a directory; choose a new or empty directory");
    if (!fs::is_empty(dir, ec) || ec)
      throw Error(dir.string() +
                  ": the directory is not empty; an installation is laid out only in a new or "
                  "empty directory, so that no existing file is replaced");
    return false;
  }
  if (!fs::create_directories(dir, ec) || ec)
    throw Error(dir.string() + ": cannot create the directory: " + ec.message());
  return true;
}

void make_dir(const fs::path& dir) {
  std::error_code ec;
  fs::create_directory(dir, ec);
  if (ec) throw Error(dir.string() + ": cannot create the directory: " + ec.message());
}

// Every account table, empty, as a new account starts.
void write_template(const fs::path& dir) {
  make_dir(dir);
  for (const TableSpec& t : catalogue())
    if (t.place == Place::Account && !t.earlier_version) create_table_file(dir / t.file, t.schema);
}

// An account's directory gets a copy of every file of the template.
void copy_template(const fs::path& from, const fs::path& to) {
  make_dir(to);
  for (const auto& entry : fs::directory_iterator(from)) {
    std::error_code ec;
    fs::copy_file(entry.path(), to / entry.path().filename(), ec);
    if (ec)
      throw Error((to / entry.path().filename()).string() +
                  ": cannot copy the template: " + ec.message());
  }
}

void write_accounts(const fs::path& dir) {
  const TableSpec* spec = find_table_spec("z.db");
  seed::RowWriter w(dir, *spec);
  w.add({{"User_name", seed::txt(kMyAccountName)},
         {"User_password", Value()},
         {"Subdir", seed::txt(kMyAccountDir)},
         {"Now", seed::flag(false)}});
  w.add({{"User_name", seed::txt(kDemoAccountName)},
         {"User_password", Value()},
         {"Subdir", seed::txt(kDemoAccountDir)},
         {"Now", seed::flag(true)}});
}

// Removes what a failed run wrote, leaving `dir` as it was found.
void undo(const fs::path& dir, bool created) {
  std::error_code ec;
  if (created) {
    fs::remove_all(dir, ec);
    return;
  }
  for (const auto& entry : fs::directory_iterator(dir, ec)) fs::remove_all(entry.path(), ec);
}

}  // namespace

Date local_today() { return platform::system_clock().today(); }

void init_installation(const fs::path& dir, bool demo, Date today) {
  const bool created = prepare_target(dir);
  // Every table laid out here is dated `today`, as its rows are.
  const platform::FixedClock clock(platform::DateTime{today});
  const ScopedTableClock dated(clock);
  try {
    seed::write_program_tables(dir, demo, today);
    write_accounts(dir);
    // No backup directory chosen yet: the copy window offers the default.
    create_table_file(dir / "bak_path.DBF", find_table_spec("bak_path.DBF")->schema);
    const fs::path templ = dir / kTemplateDir;
    write_template(templ);
    copy_template(templ, dir / kMyAccountDir);
    copy_template(templ, dir / kDemoAccountDir);
    if (demo) seed::write_demo_account(dir / kDemoAccountDir, today);
    // The optimiser window reads its model from here when it opens.
    optimise::write_prd(dir / optimise::kDefaultPrd, optimise::Parameters{});
    const fs::path help = program_help_file();
    if (!help.empty()) fs::copy_file(help, dir / "valmorix.hlp");
  } catch (...) {
    undo(dir, created);
    throw;
  }
}

fs::path program_help_file() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  for (const fs::path& p :
       {exe.parent_path() / "help" / "valmorix.hlp",
        exe.parent_path().parent_path() / "share" / "valmorix" / "valmorix.hlp"})
    if (fs::is_regular_file(p, ec)) return p;
  return {};
}

void init_installation(const fs::path& dir, bool demo) {
  init_installation(dir, demo, local_today());
}

}  // namespace vmx::store
