#include "core/ledger/report/holdings_report.h"

#include "core/ledger/report/page_frame.h"
#include "core/store/cursor.h"
#include "core/store/rounding.h"

namespace vmx::ledger::report {

namespace {

constexpr const char* kAsk = "本操作将根据显示选择打印报告,";
constexpr const char* kAskHoldings = "现在打印全部持仓记录的主要数据，继续吗？";
constexpr const char* kAskClosed =
    "现在选择的是平仓记录主要数据(不含数量为负的记录)打印，本操作从光标指定记录往下打印,"
    "唯选最下面的记录将打印一页最新内容。继续吗？";
constexpr const char* kFooter = "带*的是委托号字段非空的记录";

std::string whole(double d) { return std::to_string(store::trunc(static_cast<long double>(d))); }

bool non_negative(store::Cursor& c) { return c.get_double("AMT") >= 0; }

std::vector<std::string> lines_from_here(Ledger& ledger) {
  store::Cursor& c = ledger.cursor();
  std::vector<std::string> lines;
  if (ledger.view() == Ledger::View::Holdings) {
    for (c.first(); !c.eof(); c.next()) lines.push_back(ledger_report_line(c));
    return lines;
  }
  const size_t start = start_row(c, non_negative);
  if (c.count() == 0) return lines;
  for (c.go_to_position(static_cast<long>(start)); !c.eof(); c.next())
    if (non_negative(c)) lines.push_back(ledger_report_line(c));
  return lines;
}

}  // namespace

std::string ledger_report_question(Ledger::View view) {
  return std::string(kAsk) + (view == Ledger::View::Holdings ? kAskHoldings : kAskClosed);
}

PageFrame ledger_report_frame(Ledger::View view) {
  const bool holdings = view == Ledger::View::Holdings;
  PageFrame f;
  f.job = holdings ? "持仓报告" : "平仓报告";
  f.title = std::string(38, ' ') + f.job;
  std::string header = s10(" 券商", 9) + s10("资金帐号", 9) + s10("股东代码", 10) + s10("代码", 7) +
                       s10("名称", 10) + s10("数量", 10);
  if (holdings)
    header += s10("买价", 7) + s10("买日期", 11) + s10("当前价", 7);
  else
    header += s10("交易价", 7) + s10("交易日期", 11) + s10("卖出价", 7);
  header += s10("市值", 9) + s10("增值率", 6);
  f.header = {header};
  f.footer = {kFooter};
  f.padding_lines = 8;
  return f;
}

std::string ledger_report_line(store::Cursor& c) {
  std::string line = c.get_string("WTH").empty() ? " " : "*";
  line += s10(c.get_string("QS"), 9);
  line += s10(c.get_string("ZJZH"), 9);
  line += s10(c.get_string("GDDM"), 10);
  line += s10(c.get_string("CODE"), 7);
  line += s10(c.get_string("NAME"), 10);
  line += s10(whole(c.get_double("AMT")), 10);
  line += s10(general_number(c.get_double("PRICE1")), 7);
  line += s10(c.is_blank("DATE1") ? std::string() : c.get_date("DATE1").to_string(), 11);
  line += s10(general_number(c.get_double("PRICE2")), 7);
  line += s10(whole(c.get_double("COST2")), 9);
  line += s10(general_number(c.get_double("INC")), 6);
  return line;
}

std::vector<std::string> ledger_report_lines(Ledger& ledger) {
  RowKept kept(ledger.cursor());
  return lines_from_here(ledger);
}

void print_ledger_report(Ledger& ledger, const platform::DateTime& when,
                         platform::Printer& printer) {
  RowKept kept(ledger.cursor());
  const std::vector<std::string> lines = lines_from_here(ledger);
  print_framed(printer, ledger_report_frame(ledger.view()), lines, when);
}

bool ledger_report_click(Ledger& ledger, platform::Dialogs& dialogs, const platform::Clock& clock,
                         platform::Printer& printer) {
  if (!dialogs.ask(ledger_report_question(ledger.view()))) return false;
  print_ledger_report(ledger, clock.now(), printer);
  return true;
}

}  // namespace vmx::ledger::report
