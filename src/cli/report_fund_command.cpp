#include <memory>

#include "cli/fund_report.h"
#include "core/fund/report/ledger_report.h"
#include "core/ledger/trading.h"

namespace vmx::cli {

// valmorix-cli report fund PROGRAM_DIR ACCOUNT_NAME [--from YYYY-MM-DD]: the
// fund window's 资金进出报告 from the first row of that date on, or one page of
// the newest rows.
void add_report_fund_command(Commands& commands) {
  auto a = std::make_shared<FundReportArgs>();
  auto from = std::make_shared<std::string>();
  CLI::App& cmd =
      add_fund_report(commands, "fund", "The fund ledger report 资金进出报告.", a,
                      [from](AccountRun& run, platform::Printer& printer) {
                        store::Cursor& c = run.workspace().fund().cursor();
                        c.last();
                        if (!from->empty()) {
                          const Date d = ledger::read_box_date(*from);
                          for (c.first(); !c.eof() && c.get_date("DT") < d; c.next()) {
                          }
                          if (c.eof()) c.last();
                        }
                        fund::report::print_fund_ledger(run.workspace().fund(), printer, false);
                        return kOk;
                      });
  cmd.add_option("--from", *from, "start at the first row of this date (yyyy-mm-dd)")
      ->type_name("DATE");
}

}  // namespace vmx::cli
