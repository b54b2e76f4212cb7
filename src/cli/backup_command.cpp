#include <filesystem>
#include <memory>

#include "cli/command.h"
#include "core/login/account_list.h"
#include "core/login/backup.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

namespace fs = std::filesystem;

struct BackupArgs {
  fs::path program_dir;
  fs::path to;
};

int run_backup(BackupArgs& a) {
  store::Session session;
  app::bind_program_directory(session, a.program_dir);
  const fs::path root = a.to.empty() ? app::remembered_backup_root(session) : a.to;
  app::CopyReport report;
  try {
    report = app::back_up_installation(session, root);
  } catch (const store::Error& e) {
    say(platform::describe(e));
    return kStopped;
  }
  say(report.text(root / app::kBackupFolder));
  return report.ok() ? kOk : kStopped;
}

}  // namespace

// valmorix-cli backup PROGRAM_DIR [--to DIR]
void add_backup_command(Commands& commands) {
  auto a = std::make_shared<BackupArgs>();
  CLI::App& cmd = commands.add(
      "backup",
      "Copies the installation's tables to DIR/valmorix and every account's files to "
      "DIR/valmorix/SUBDIR, as the copy window does; each file is written under a temporary "
      "name and renamed when complete. Prints what was copied and every file that failed. "
      "Exit 0 when every file was copied, 1 when some failed.",
      [a] { return run_backup(*a); });
  cmd.add_option("PROGRAM_DIR", a->program_dir, "the installation's directory")
      ->required()
      ->check(CLI::ExistingDirectory);
  cmd.add_option("--to", a->to,
                 "the backup directory (default: the one the copy window used last, else "
                 "~/valmorix-backup)");
}

}  // namespace vmx::cli
