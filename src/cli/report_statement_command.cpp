#include <memory>

#include "cli/fund_report.h"
#include "core/fund/address_book.h"
#include "core/fund/investment_types.h"
#include "core/fund/investor_lists.h"
#include "core/fund/report/fund_reports.h"

namespace vmx::cli {

// valmorix-cli report statement PROGRAM_DIR ACCOUNT_NAME --code C [--type X]
// [--all] [--title T] [--no-records]: 打印阶段报告 of one investor.
void add_report_statement_command(Commands& commands) {
  struct Options {
    std::string code, type, title = "投资记录报告单";
    bool all = false, no_records = false;
  };
  auto a = std::make_shared<FundReportArgs>();
  auto o = std::make_shared<Options>();
  CLI::App& cmd = add_fund_report(
      commands, "statement", "An investor's statement (打印阶段报告).", a,
      [o](AccountRun& run, platform::Printer& printer) {
        fund::InvestorLists lists(run.session);
        if (!select_investor(lists, o->code, o->type, o->all)) return kStopped;
        fund::TypeBook types(run.session);
        fund::AddressBook book(run.session);
        fund::report::ReportDefinition def{
            .fund_name = fund::fund_name(types), .title = o->title, .all_lines = !o->no_records};
        fund::report::print_statement(run.workspace().fund(), lists, book, def, printer);
        return kOk;
      });
  cmd.add_option("--code", o->code, "the investor's code")->required();
  cmd.add_option("--type", o->type, "the investment type of the totals row (default the first)");
  cmd.add_flag("--all", o->all, "all records (所有记录), not only the open ones");
  cmd.add_option("--title", o->title, "标题 (default 投资记录报告单)");
  cmd.add_flag("--no-records", o->no_records, "without the records (同时打印所有记录 off)");
}

}  // namespace vmx::cli
