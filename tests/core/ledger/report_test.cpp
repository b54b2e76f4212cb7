#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ledger/ledger_fixture.h"
#include "core/ledger/report/holdings_report.h"
#include "core/ledger/report/page_frame.h"
#include "core/platform/scripted_printer.h"
#include "core/store/cursor.h"

using namespace vmx;
using namespace vmx::test;
using namespace vmx::ledger::report;

namespace {

const std::string kFooter = "带*的是委托号字段非空的记录";
const platform::DateTime kWhen{Date::from_ymd(2001, 4, 3), 15, 30, 5};

TEST(ReportText, S10PadsByGbkBytesAfterTrimming) {
  struct Case {
    const char* text;
    int width;
    const char* want;
  };
  const Case cases[] = {
      {"abc", 5, "abc  "},
      {"名称", 10, "名称      "},  // two characters count four bytes
      {" 券商", 9, " 券商     "},  // the leading blank stays and widens the column
      {"  ab  ", 4, "  ab    "},   // blanks on both sides are not counted
      {"", 3, "   "},
      {"浦发银行A", 9, "浦发银行A"},      // exactly full: unchanged
      {"toolongtext", 5, "toolongtext"},  // never cut
      {"x", 0, "x"},
      {"x", -4, "x"},
  };
  for (const Case& c : cases) EXPECT_EQ(s10(c.text, c.width), c.want) << c.text << "/" << c.width;
  EXPECT_EQ(print_width("\xff\xfe"), 2u);  // malformed text still has a width
}

TEST(ReportText, NumbersTimesAndFrameLines) {
  EXPECT_EQ(general_number(12.5), "12.5");
  EXPECT_EQ(general_number(0.1 + 0.2), "0.3");
  EXPECT_EQ(general_number(-0.0), "0");
  EXPECT_EQ(general_number(1234567.25), "1234567.25");
  EXPECT_EQ(print_time_text(kWhen), "2001-04-03 15:30:05");
  EXPECT_EQ(page_line(2, 3, "T"), "                         第2页， 共3页   打印时间:T");
  EXPECT_EQ(print_width(separator()), 98u);  // 49 double-byte dashes
  const size_t pages[][2] = {{0, 0}, {1, 1}, {49, 1}, {50, 1}, {51, 2}, {120, 3}, {200, 4}};
  for (const auto& p : pages) EXPECT_EQ(page_count(p[0]), p[1]) << p[0];
}

TEST(ReportText, StartRowOnlyStepsBackFromTheBottomRow) {
  auto all = [](size_t) { return true; };
  auto even = [](size_t i) { return i % 2 == 0; };  // odd rows are sells, not counted
  struct Case {
    size_t current, count;
    bool alternate;
    size_t want;
  };
  const Case cases[] = {
      {0, 0, false, 0},       {120, 200, false, 120},  // a middle row starts there
      {199, 200, false, 150},                          // bottom row: the newest 50
      {29, 30, false, 0},                              // fewer than a page: from the first
      {49, 50, false, 0},     {50, 51, false, 1},
      {199, 200, true, 101},   // 49 counted rows are even rows 198..102; rows 101..199 print
      {250, 200, false, 150},  // past the end counts as the bottom row
  };
  for (const Case& c : cases) {
    const size_t got =
        c.alternate ? start_row(c.current, c.count, even) : start_row(c.current, c.count, all);
    EXPECT_EQ(got, c.want) << c.current << " of " << c.count;
  }
}

// The frame lines a page of the holdings report begins with.
std::vector<std::string> page_head(const PageFrame& f, size_t k, size_t pages) {
  return {f.title,     "  ",        page_line(k, pages, print_time_text(kWhen)),
          separator(), f.header[0], separator()};
}

TEST(ReportFrame, PagesFootersAndPaddingByRowCount) {
  const PageFrame frame = ledger_report_frame(ledger::Ledger::View::Holdings);
  struct Case {
    size_t rows;
    std::vector<size_t> per_page;
  };
  const Case cases[] = {{120, {50, 50, 20}}, {50, {50}}, {200, {50, 50, 50, 50}}, {1, {1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    std::vector<std::string> lines;
    for (size_t i = 0; i < c.rows; ++i) lines.push_back("row " + std::to_string(i));
    platform::ScriptedPrinter printer;
    print_framed(printer, frame, lines, kWhen);
    const platform::PrintedDocument& doc = printer.last();
    EXPECT_EQ(doc.title, "持仓报告");
    ASSERT_EQ(doc.pages.size(), c.per_page.size());
    size_t next = 0;
    for (size_t p = 0; p < doc.pages.size(); ++p) {
      std::vector<std::string> want;
      if (p == 0) want.push_back("  ");
      for (const std::string& s : page_head(frame, p + 1, doc.pages.size())) want.push_back(s);
      for (size_t j = 0; j < c.per_page[p]; ++j) want.push_back(lines[next++]);
      want.push_back(separator());
      if (p + 1 < doc.pages.size()) {
        want.push_back(kFooter);
        for (int i = 0; i < 8; ++i) want.push_back("   ");
      }
      EXPECT_EQ(doc.pages[p], want) << "page " << p + 1;
    }
  }
  // Nothing to print: the job holds the one line of two spaces.
  platform::ScriptedPrinter printer;
  print_framed(printer, frame, {}, kWhen);
  EXPECT_EQ(printer.last().pages, (std::vector<std::vector<std::string>>{{"  "}}));
}

TEST(ReportFrame, TitleFontOnlyOnTheFirstTitle) {
  PageFrame frame = ledger_report_frame(ledger::Ledger::View::Holdings);
  frame.title_font_height = 14;
  platform::ScriptedPrinter printer;
  print_framed(printer, frame, std::vector<std::string>(60, "x"), kWhen);
  using FC = platform::PrintedDocument::FontChange;
  EXPECT_EQ(printer.last().font_changes, (std::vector<FC>{{0, 1, 14}, {0, 3, 12}}));
}

// --- the reports over a ledger ---------------------------------------------

// Closed row i: a closing mark of day i (so the closed view orders by i),
// CODE the number, a sell (negative quantity) when `sell`.
LedgerRow closed_row(int i, bool sell) {
  char code[8], mark[16];
  std::snprintf(code, sizeof code, "%06d", i);
  const Date d = Date::from_ymd(2000, 1, 1).add_days(i);
  std::snprintf(mark, sizeof mark, "P%04d%02d%02d00", d.year(), d.month(), d.day());
  LedgerRow r = security_row(code, sell ? -100 : 100, 10, 11);
  r.push_back({"WTH", T(mark)});
  return r;
}

std::string code_of(const std::string& line) {
  // "*" + QS (9) + ZJZH (9) + GDDM (10): CODE follows, six characters.
  return line.substr(1 + std::string("华泰").size() + 5 + 9 + 10, 6);
}

std::vector<std::string> data_lines(const platform::PrintedDocument& doc) {
  std::vector<std::string> out;
  for (const auto& page : doc.pages)
    for (const std::string& l : page)
      if (!l.empty() && (l[0] == '*' || l[0] == ' ') && l.find("华泰") == 1) out.push_back(l);
  return out;
}

TEST(HoldingsReport, DataLineAndOrderMark) {
  LedgerRow order = security_row("600001", 200, 9, 9);
  order.push_back({"WTH", T("0104031530")});
  LedgerRow held = security_row("600000", 1000.7, 10.5, 12.25);
  held.push_back({"COST2", N(-12250.9)});
  held.push_back({"INC", N(0.1667)});
  LedgerFixture f({held, order});
  store::Cursor& c = f.row("600000");
  EXPECT_EQ(ledger_report_line(c),
            " 华泰     1001     A001      600000 浦发银行  1000      10.5   2001-01-02 12.25  "
            "-12250   0.1667");
  f.row("600001", "0104031530");
  EXPECT_EQ(ledger_report_line(c).substr(0, 2), "*\xe5");
}

TEST(HoldingsReport, HoldingsViewPrintsEveryRowAndKeepsTheCursor) {
  std::vector<LedgerRow> rows;
  for (int i = 0; i < 120; ++i) {
    char code[8];
    std::snprintf(code, sizeof code, "%06d", i);
    rows.push_back(security_row(code, 100, 10, 11));
  }
  LedgerFixture f(rows);
  store::Cursor& c = f.ledger->cursor();
  c.go_to_position(70);
  f.dialogs.answer_yes();
  platform::ScriptedPrinter printer;
  ASSERT_TRUE(ledger_report_click(*f.ledger, f.dialogs, f.clock, printer));
  EXPECT_EQ(f.dialogs.shown().back().text,
            "本操作将根据显示选择打印报告,现在打印全部持仓记录的主要数据，继续吗？");
  const auto& doc = printer.last();
  ASSERT_EQ(doc.pages.size(), 3u);
  EXPECT_EQ(data_lines(doc).size(), 120u);
  EXPECT_EQ(doc.pages[0][1], std::string(38, ' ') + "持仓报告");
  EXPECT_EQ(doc.pages[0][3], page_line(1, 3, "2001-04-03 15:30:00"));
  EXPECT_EQ(c.position(), 70);

  f.dialogs.answer_no();
  EXPECT_FALSE(ledger_report_click(*f.ledger, f.dialogs, f.clock, printer));
  EXPECT_EQ(printer.documents().size(), 1u);
}

TEST(HoldingsReport, ClosingReportFromTheCursorRow) {
  // 200 closed rows of non-negative quantity with 40 sells among them.
  std::vector<LedgerRow> rows;
  for (int i = 0; i < 240; ++i) rows.push_back(closed_row(i, i % 6 == 5));
  rows.push_back(security_row("600000", 100, 10, 11));  // open: not in this view
  LedgerFixture f(rows);
  f.ledger->set_view(ledger::Ledger::View::Closed);
  store::Cursor& c = f.ledger->cursor();
  ASSERT_EQ(c.count(), 240u);

  struct Case {
    long position;
    size_t lines;
    const char* first_code;
  };
  // Bottom row: step back over 49 buys (and the sells between them) from
  // row 239; rows 180..239 hold 50 buys. A middle row: from there to the end.
  const Case cases[] = {{239, 50, "000180"}, {120, 100, "000120"}, {5, 195, "000006"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.position);
    c.go_to_position(k.position);
    f.dialogs.answer_yes();
    platform::ScriptedPrinter printer;
    ASSERT_TRUE(ledger_report_click(*f.ledger, f.dialogs, f.clock, printer));
    const auto& doc = printer.last();
    EXPECT_EQ(doc.title, "平仓报告");
    const auto lines = data_lines(doc);
    ASSERT_EQ(lines.size(), k.lines);
    EXPECT_EQ(code_of(lines.front()), k.first_code);
    EXPECT_EQ(code_of(lines.back()), "000238");  // 239 is a sell
    for (const std::string& l : lines) {
      EXPECT_EQ(l[0], '*');  // every closed row carries its closing mark
      EXPECT_EQ(l.find("-100"), std::string::npos) << l;
    }
    EXPECT_EQ(doc.pages.size(), page_count(k.lines));
    EXPECT_NE(doc.pages[0][5].find("交易日期"), std::string::npos);
    EXPECT_EQ(c.position(), k.position);
  }
  EXPECT_NE(f.dialogs.shown().back().text.find("唯选最下面的记录将打印一页最新内容"),
            std::string::npos);
}

}  // namespace
