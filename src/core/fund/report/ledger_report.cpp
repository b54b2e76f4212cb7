#include "core/fund/report/ledger_report.h"

#include "core/fund/report/report_util.h"
#include "core/store/cursor.h"

namespace vmx::fund::report {

using ledger::report::s10;

ledger::report::PageFrame fund_ledger_frame() {
  ledger::report::PageFrame f;
  f.job = "资金进出报告";
  f.title = std::string(38, ' ') + f.job;
  f.header = {s10("日期", 9) + s10("券商码", 8) + s10("资金帐号", 9) + s10("代码/类型", 10) +
              s10("姓名", 8) + s10("数量", 8) + s10("基金股数", 9) + s10("价格", 7) +
              s10("折扣总值", 9) + "   注释"};
  f.footer = {};
  return f;
}

std::string fund_ledger_line(store::Cursor& c) {
  std::string line = s10(date_text(c, "DT"), 11);
  line += s10(c.get_string("QSDM"), 6);
  line += s10(c.get_string("ZJZH"), 9);
  line += s10(c.get_string("PYCODE"), 4);
  line += s10(" " + c.get_string("XABC"), 6);
  line += s10(c.get_string("NAME"), 8);
  const double input = c.get_double("INPUT");
  line += input < 0 ? " " + s10(whole(input), 7) : s10(whole(input), 8);
  const double unit = c.get_double("UNIT");
  line += unit < 0 ? " " + s10(whole(unit), 9) : s10(ledger::report::general_number(unit), 10);
  line += s10(ledger::report::general_number(c.get_double("PRICE")), 7);
  line += s10(whole(c.get_double("FUND")), 9);
  line += s10(c.get_string("NOTE"), 20);
  return line;
}

std::vector<std::string> fund_ledger_lines(FundLedger& f) {
  store::Cursor& c = f.cursor();
  c.post();
  RowKept kept(c);
  std::vector<std::string> lines;
  if (c.count() == 0) return lines;
  const size_t start = ledger::report::start_row(c, [](store::Cursor&) { return true; });
  for (c.go_to_position(static_cast<long>(start)); !c.eof(); c.next())
    lines.push_back(fund_ledger_line(c));
  return lines;
}

bool print_fund_ledger(FundLedger& f, platform::Printer& printer, bool ask) {
  if (ask && !f.dialogs().ask(kLedgerReportQuestion)) return false;
  const std::vector<std::string> lines = fund_ledger_lines(f);
  ledger::report::print_framed(printer, fund_ledger_frame(), lines, f.clock().now());
  return true;
}

}  // namespace vmx::fund::report
