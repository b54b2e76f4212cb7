#include <memory>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "core/ledger/valuation.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct CalcArgs {
  AccountArgs account;
  bool answer = false;
  TodayOption today;
};

int run_calc(CalcArgs& a) {
  std::unique_ptr<AccountRun> run;
  try {
    run = std::make_unique<AccountRun>(a.account, a.answer, a.today.clock());
  } catch (const store::Error& e) {
    return fail("calc", platform::describe(e));
  }
  app::Workspace& ws = run->workspace();
  ledger::Valuation valuation(ws.ledger(), ws.lookups(), run->dialogs, ws.clock());
  return valuation.up_calc() ? kOk : kStopped;
}

}  // namespace

// valmorix-cli calc PROGRAM_DIR ACCOUNT_NAME [--answer yes|no] [--today YYYY-MM-DD]
void add_calc_command(Commands& commands) {
  auto a = std::make_shared<CalcArgs>();
  CLI::App& cmd = commands.add(
      "calc",
      "Values an account's holdings as the program does after a login (no password asked), "
      "printing every message it shows. Exit 0 when the run completed, 1 when it stopped with a "
      "message.",
      [a] { return run_calc(*a); });
  add_account_arguments(cmd, a->account);
  add_answer_option(cmd, a->answer);
  a->today.add_to(cmd);
}

}  // namespace vmx::cli
