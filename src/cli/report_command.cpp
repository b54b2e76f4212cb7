#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/account_login.h"
#include "cli/command.h"
#include "cli/report_output.h"
#include "core/ledger/report/holdings_report.h"
#include "core/platform/error_boundary.h"
#include "core/platform/scripted_printer.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

struct LedgerReportArgs {
  AccountArgs account;
  std::filesystem::path pdf;
  TodayOption today;
};

int run_ledger_report(LedgerReportArgs& a, ledger::Ledger::View view) {
  const std::string command = "report";
  if (const int code = check_pdf_option(command, a.pdf); code != kOk) return code;
  platform::ScriptedPrinter printer;
  try {
    AccountRun run(a.account, false, a.today.clock());
    app::Workspace& workspace = run.workspace();
    ledger::Ledger& ledger = workspace.ledger();
    ledger.set_view(view);
    // The closing report: the cursor on the bottom row, one page of the newest closings.
    if (view == ledger::Ledger::View::Closed) ledger.cursor().last();
    ledger::report::print_ledger_report(ledger, workspace.clock().now(), printer);
    deliver_report(printer, a.pdf);
  } catch (const store::Error& e) {
    return fail(command, platform::describe(e));
  }
  return kOk;
}

void add_ledger_report(Commands& commands, const std::string& kind, const std::string& description,
                       ledger::Ledger::View view) {
  auto a = std::make_shared<LedgerReportArgs>();
  CLI::App& cmd = commands.add("report " + kind, description,
                               [a, view] { return run_ledger_report(*a, view); });
  add_account_arguments(cmd, a->account);
  add_pdf_option(cmd, a->pdf);
  a->today.add_to(cmd);
}

}  // namespace

// valmorix-cli report holdings|closed PROGRAM_DIR ACCOUNT_NAME [--pdf FILE] [--today YYYY-MM-DD]
void add_report_command(Commands& commands) {
  // The group's description, for every report command.
  commands.group("report",
                 "Prints a report as the printer receives its lines, or writes it as a PDF file.");
  add_ledger_report(commands, "holdings", "The holdings report of an account.",
                    ledger::Ledger::View::Holdings);
  add_ledger_report(commands, "closed", "The closing report of an account (its newest page).",
                    ledger::Ledger::View::Closed);
}

}  // namespace vmx::cli
