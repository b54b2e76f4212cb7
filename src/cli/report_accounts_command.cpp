#include <memory>

#include "cli/fund_report.h"
#include "core/fund/report/fund_reports.h"

namespace vmx::cli {

// valmorix-cli report accounts PROGRAM_DIR ACCOUNT_NAME --qsdm Q --zjzh Z
// [--no-details]: 资金帐户报告 of one cash account.
void add_report_accounts_command(Commands& commands) {
  struct Options {
    std::string qsdm, zjzh;
    bool no_details = false;
  };
  auto a = std::make_shared<FundReportArgs>();
  auto o = std::make_shared<Options>();
  CLI::App& cmd = add_fund_report(
      commands, "accounts", "The cash-account report 资金帐户报告.", a,
      [o](AccountRun& run, platform::Printer& printer) {
        fund::report::AccountLists lists(run.session);
        lists.reopen();
        if (!lists.select(o->qsdm, o->zjzh)) {
          say("资金帐户 " + o->qsdm + " " + o->zjzh + " 在资金进出文件中没有记录");
          return kStopped;
        }
        fund::report::print_account_report(run.workspace().fund(), lists, !o->no_details, printer);
        return kOk;
      });
  cmd.add_option("--qsdm", o->qsdm, "broker code")->required();
  cmd.add_option("--zjzh", o->zjzh, "cash account")->required();
  cmd.add_flag("--no-details", o->no_details, "without the movements (同时打印详细记录 off)");
}

}  // namespace vmx::cli
