#include "cli/fund_report.h"

#include <cstdio>
#include <memory>

#include "cli/report_output.h"
#include "core/fund/unit_price.h"
#include "core/platform/error_boundary.h"
#include "core/platform/scripted_printer.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

int run_fund_report(const std::string& kind, FundReportArgs& a, const FundReport& report) {
  const std::string command = "report " + kind;
  if (const int code = check_pdf_option(command, a.pdf); code != kOk) return code;
  platform::ScriptedPrinter printer;
  try {
    AccountRun run(a.account, a.answer, a.today.clock());
    // As at login: the fund window is created with the manager row ensured.
    fund::ensure_manager_row(run.workspace().fund());
    const int code = report(run, printer);
    if (code != kOk) return code;
    deliver_report(printer, a.pdf);
  } catch (const store::ConversionError& e) {
    say(platform::describe(e));
    return kStopped;
  } catch (const store::Error& e) {
    return fail(command, platform::describe(e));
  }
  return kOk;
}

}  // namespace

bool select_investor(fund::InvestorLists& lists, const std::string& code, const std::string& type,
                     bool all) {
  lists.set_all_records(all);
  if (type.empty() ? lists.find(code) : lists.select(code, type)) return true;
  say("投资人 " + code + " 不在投资人列表中");
  return false;
}

CLI::App& add_fund_report(Commands& commands, const std::string& kind,
                          const std::string& description, std::shared_ptr<FundReportArgs> a,
                          FundReport report) {
  CLI::App& cmd = commands.add("report " + kind, description,
                               [kind, a, report] { return run_fund_report(kind, *a, report); });
  add_account_arguments(cmd, a->account);
  add_pdf_option(cmd, a->pdf);
  add_answer_option(cmd, a->answer);
  a->today.add_to(cmd);
  return cmd;
}

}  // namespace vmx::cli
