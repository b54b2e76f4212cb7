#include <filesystem>
#include <memory>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/login/backup.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

namespace fs = std::filesystem;

struct RestoreArgs {
  AccountArgs account;
  fs::path from;
};

int run_restore(RestoreArgs& a) {
  store::Session session;
  app::LoginState login;
  try {
    login = login_without_password(session, a.account.program_dir, a.account.name);
  } catch (const store::Error& e) {
    return fail("restore", platform::describe(e));
  }
  app::CopyReport report;
  try {
    report = app::restore_account(login, a.from);
  } catch (const store::Error& e) {
    say(platform::describe(e));
    return kStopped;
  }
  say(report.text(login.acc_dir));
  return report.ok() ? kOk : kStopped;
}

}  // namespace

// valmorix-cli restore PROGRAM_DIR ACCOUNT_NAME --from SNAPSHOT_DIR
void add_restore_command(Commands& commands) {
  auto a = std::make_shared<RestoreArgs>();
  CLI::App& cmd = commands.add(
      "restore",
      "Puts the files of SNAPSHOT_DIR (a dated snapshot backup/SUBDIR/YYYY-MM-DD of the "
      "installation, or a backup's valmorix/SUBDIR) in place of the account's files; the "
      "program tables are left as they are. Refused while a running program has the account "
      "open. Exit 0 when every file was restored, 1 when refused or some failed.",
      [a] { return run_restore(*a); });
  add_account_arguments(cmd, a->account);
  cmd.add_option("--from", a->from, "the directory to restore from")->required();
}

}  // namespace vmx::cli
