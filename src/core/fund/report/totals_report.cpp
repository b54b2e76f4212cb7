#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"

namespace vmx::fund::report {

ledger::report::PageFrame totals_frame() {
  ledger::report::PageFrame f;
  f.job = "投资人盈亏总报表";
  f.title = std::string(30, ' ') + f.job;
  f.header = {pad("代码", 5) + pad("  姓名 类型", 10) + pad(" 投资数", 9) + pad("基金股数", 10) +
              pad("买均价", 8) + pad("最终价", 9) + pad("增值%", 8) + pad("市值", 9) +
              pad("可取额", 10)};
  return f;
}

std::vector<std::string> totals_lines(InvestorLists& lists) {
  store::Query& t = lists.totals();
  if (!t.active()) lists.reopen();
  std::vector<std::string> out;
  for (size_t i = 0; i < t.count(); ++i) {
    auto v = [&](const char* col) { return t.value_at(i, t.column_index(col)).as_number(); };
    auto s = [&](const char* col) { return t.value_at(i, t.column_index(col)).as_string(); };
    // The final price of the row's own records: their value over their units
    // (every open record carries the last valuation's price).
    const double unit = v("unit");
    const double final_price = unit == 0 ? 0 : v("asset") / unit;
    out.push_back(pad(s("pycode"), 5) + pad(s("name"), 8) + " " + pad(s("xabc"), 2) +
                  pad(rounded(v("input")), 10) + pad(ledger::report::general_number(unit), 10) +
                  pad(fixed(v("a_price"), 3), 8) + pad(fixed(final_price, 3), 8) +
                  pad(fixed(v("zzl"), 2), 9) + pad(rounded(v("asset")), 10) +
                  pad(rounded(v("dmoney")), 10));
  }
  return out;
}

void print_totals(FundLedger& f, InvestorLists& lists, platform::Printer& printer) {
  ledger::report::print_framed(printer, totals_frame(), totals_lines(lists), f.clock().now());
}

ledger::report::PageFrame address_frame() {
  ledger::report::PageFrame f;
  f.job = "投资人通讯录";
  f.title = std::string(30, ' ') + f.job;
  f.header = {pad("代码", 6) + pad("姓名", 8) + pad("电话", 20) + pad("BB,Fax,Email", 16) +
              pad("邮码", 7) + " 地址"};
  return f;
}

void print_addresses(FundLedger& f, AddressBook& book, platform::Printer& printer) {
  ledger::report::print_framed(printer, address_frame(), address_lines(book), f.clock().now());
}

}  // namespace vmx::fund::report
