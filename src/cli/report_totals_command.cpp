#include <memory>

#include "cli/fund_report.h"
#include "core/fund/investor_lists.h"
#include "core/fund/report/fund_reports.h"

namespace vmx::cli {

// valmorix-cli report totals PROGRAM_DIR ACCOUNT_NAME [--all]: 投资人盈亏总报表.
void add_report_totals_command(Commands& commands) {
  auto a = std::make_shared<FundReportArgs>();
  auto all = std::make_shared<bool>(false);
  CLI::App& cmd =
      add_fund_report(commands, "totals", "The investors' totals report 投资人盈亏总报表.", a,
                      [all](AccountRun& run, platform::Printer& printer) {
                        fund::InvestorLists lists(run.session);
                        lists.set_all_records(*all);
                        fund::report::print_totals(run.workspace().fund(), lists, printer);
                        return kOk;
                      });
  cmd.add_flag("--all", *all, "all records (所有记录), not only the open ones");
}

}  // namespace vmx::cli
