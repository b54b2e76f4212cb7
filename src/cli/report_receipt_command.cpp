#include <memory>

#include "cli/fund_report.h"
#include "core/fund/address_book.h"
#include "core/fund/investment_types.h"
#include "core/fund/investor_lists.h"
#include "core/fund/report/fund_reports.h"
#include "core/ledger/trading.h"

namespace vmx::cli {

// valmorix-cli report receipt PROGRAM_DIR ACCOUNT_NAME --code C --date D
// [--type X] [--all] [--copies 1|2]: 打印投资单据 for the investor's record of
// that date. An unmatched withdrawal is matched instead (exit 1): print again.
void add_report_receipt_command(Commands& commands) {
  struct Options {
    std::string code, type, date;
    bool all = false;
    int copies = 1;
  };
  auto a = std::make_shared<FundReportArgs>();
  auto o = std::make_shared<Options>();
  CLI::App& cmd = add_fund_report(
      commands, "receipt", "The receipt of one record (打印投资单据).", a,
      [o](AccountRun& run, platform::Printer& printer) {
        fund::InvestorLists lists(run.session);
        if (!select_investor(lists, o->code, o->type, o->all)) return kStopped;
        const Date d = ledger::read_box_date(o->date);
        store::Query& q = lists.detail();
        const int dt = q.column_index("dt");
        size_t row = 0;
        while (row < q.count() && q.value_at(row, dt).as_date() != d) ++row;
        if (row == q.count()) {
          say("投资人 " + o->code + " 没有日期为 " + d.to_string() + " 的记录");
          return kStopped;
        }
        q.go_to_position(static_cast<long>(row));
        fund::TypeBook types(run.session);
        fund::AddressBook book(run.session);
        const fund::report::ReportDefinition def{.fund_name = fund::fund_name(types)};
        return fund::report::print_receipt(run.workspace().fund(), types, lists, book, def,
                                           o->copies == 2, printer, false)
                   ? kOk
                   : kStopped;
      });
  cmd.add_option("--code", o->code, "the investor's code")->required();
  cmd.add_option("--date", o->date, "the record's date (yyyy-mm-dd)")->required();
  cmd.add_option("--type", o->type, "the investment type (default the investor's first)");
  cmd.add_flag("--all", o->all, "look among all records (所有记录), not only the open ones");
  cmd.add_option("--copies", o->copies, "1, or 2 (一式两份)")->check(CLI::Range(1, 2));
}

}  // namespace vmx::cli
