#include <memory>

#include "cli/fund_report.h"
#include "core/fund/address_book.h"
#include "core/fund/report/fund_reports.h"

namespace vmx::cli {

// valmorix-cli report addresses PROGRAM_DIR ACCOUNT_NAME [--by-postcode]: 投资人通讯录.
void add_report_addresses_command(Commands& commands) {
  auto a = std::make_shared<FundReportArgs>();
  auto by_postcode = std::make_shared<bool>(false);
  CLI::App& cmd =
      add_fund_report(commands, "addresses", "The investors' address list 投资人通讯录.", a,
                      [by_postcode](AccountRun& run, platform::Printer& printer) {
                        fund::AddressBook book(run.session);
                        book.set_order(*by_postcode ? fund::AddressBook::Order::ByPostcode
                                                    : fund::AddressBook::Order::ByCode);
                        fund::report::print_addresses(run.workspace().fund(), book, printer);
                        return kOk;
                      });
  cmd.add_flag("--by-postcode", *by_postcode, "in postcode order (按邮政编码排序)");
}

}  // namespace vmx::cli
