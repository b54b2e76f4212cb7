#include "core/stats/statistics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "core/ledger/ledger_fixture.h"
#include "core/platform/scripted_printer.h"
#include "core/stats/statistics_report.h"

using namespace vmx;
using namespace vmx::stats;
using test::N;
using test::T;

namespace {

test::LedgerRow row(const char* wth, const char* qsdm, const char* qs, const char* zjzh,
                    const char* code, const char* name, const char* lx, const char* lxm, int bs,
                    double amt, double birate, double p1, double p2, double c1, double c2,
                    double sxf, double yhs, double per, double zk, int day_of_2001) {
  test::LedgerRow r = {
      {"WTH", T(wth)},   {"QSDM", T(qsdm)}, {"QS", T(qs)},         {"ZJZH", T(zjzh)},
      {"CODE", T(code)}, {"NAME", T(name)}, {"LX", T(lx)},         {"LXM", T(lxm)},
      {"BS", N(bs)},     {"AMT", N(amt)},   {"BIRATE", N(birate)}, {"PRICE1", N(p1)},
      {"PRICE2", N(p2)}, {"COST1", N(c1)},  {"COST2", N(c2)},      {"SXF", N(sxf)},
      {"YHS", N(yhs)},   {"PER", N(per)},   {"ZK_RATE", N(zk)}};
  if (day_of_2001 > 0)
    r.push_back(
        {"DATE1", store::Value::date(Date::from_ymd(2001, 1, 1).add_days(day_of_2001 - 1))});
  return r;
}

// One row of every kind the markers tell apart; the sums below are worked out
// from these by hand.
std::vector<test::LedgerRow> sample_ledger() {
  return {
      // WTH QSDM QS ZJZH CODE NAME LX LXM BS AMT BIRATE PRICE1 PRICE2 COST1 COST2 SXF YHS PER
      // ZK_RATE, DATE1 as the day of 2001 (0 blank)
      row("", "htzq", "华泰", "1001", "xj", "现金", "xj", "现金", 1, 10000, 1, 1, 1, 10000, 10000,
          0, 0, 20, 1, 2),
      row("", "htzq", "华泰", "1001", "600000", "浦发银行", "a", "A股", 1, 1000, 1, 10, 12, 10000,
          12000, 30, 40, 24, 0.9, 5),
      row("###", "gxzq", "国信", "2002", "0001", "深发展", "a", "A股", 1, 500, 1, 20, 16, 10000,
          8000, 10, 20, 16, 0.9, 3),
      row("b", "gxzq", "国信", "2002", "cu0105", "沪铜", "b", "期货", -1, 10, 2, 100, 90, 1000,
          1100, 5, 0, 2, 0.5, 4),
      row("P2001030100", "htzq", "华泰", "1001", "600016", "民生银行", "a", "A股", 1, 200, 1, 8, 11,
          1600, 2200, 6, 8, 0, 0.9, 32),
      row("P2001030100", "htzq", "华泰", "1001", "600016", "民生银行", "a", "A股", 1, -200, 1, 11,
          11, -2200, -2200, -6, -8, 0, 0.9, 60),
      row("0103011000", "htzq", "华泰", "1001", "600036", "招商银行", "a", "A股", 1, 100, 1, 15, 15,
          1500, 1500, 0, 0, 3, 0.9, 60),
      row("PA", "htzq", "华泰", "1001", "600000", "浦发银行", "a", "A股", 1, 1, 1, 9, 9, 9, 9, 0, 0,
          0, 0.9, 46),
      row("###", "zzc", "市价总", "", "zzc", "市价总值", "zzc", "市价总", 1, 32600, 1, 1, 1, 0,
          32600, 0, 0, 100, 1, 0),
      row("###", "zzz", "折扣总", "", "zzz", "折扣总值", "zzz", "折扣总", 1, 25000, 1, 1, 1, 0,
          25000, 0, 0, 0, 1, 0),
  };
}

// A cell as the cases write it: text as it is, numbers to six significant
// digits, SQL NULL as "null".
std::string cell(const store::Value& v) {
  if (v.is_null()) return "null";
  if (v.kind() != store::Value::Kind::Number) return v.as_string();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v.num());
  return buf;
}

std::vector<std::string> rows_of(store::Query& q, const std::string& columns) {
  std::vector<int> cols;
  std::stringstream names(columns);
  for (std::string name; std::getline(names, name, '|');) {
    cols.push_back(q.column_index(name));
    EXPECT_GE(cols.back(), 0) << "no column " << name;
  }
  std::vector<std::string> out;
  for (size_t r = 0; r < q.count(); ++r) {
    std::string line;
    for (int c : cols) line += (line.empty() ? "" : "|") + (c < 0 ? "?" : cell(q.value_at(r, c)));
    out.push_back(line);
  }
  return out;
}

Choices C(Kind k, Content c = Content::ByType, PnlType p = PnlType::FloatingLessFees) {
  return {k, c, p};
}

}  // namespace

// Every combination of choices run as the window runs it, against the rows
// worked out by hand from the ledger above. The chart query holds the same
// rows without the two total rows; history and closed pairs have no chart.
TEST(Statistics, EveryQueryTextAgainstRowsWorkedOutByHand) {
  test::LedgerFixture f(sample_ledger());
  Statistics stats(f.session);
  using K = Kind;
  using Ct = Content;
  using P = PnlType;
  struct Case {
    Choices choices;
    const char* columns;
    std::vector<const char*> rows;
  };
  const Case cases[] = {
      // Proportions: the open rows (empty, "###", order numbers, above "PA").
      {C(K::Proportions, Ct::Detail),
       "代码|名称|成本|市值|市值百分比|折扣百分比",
       {"0001|深发展|10030|8000|16|28.8", "cu0105|沪铜|1005|1100|2|4.4",
        "600000|浦发银行|10070|12000|24|43.2", "600036|招商银行|1500|1500|3|5.4",
        "xj|现金|10000|10000|20|40", "zzc|市价总值|0|32600|100|130.4",
        "zzz|折扣总值|0|25000|0|100"}},
      {C(K::Proportions, Ct::BySecurity),
       "代码|多空|数量|均价1|市值百分比|折扣百分比",
       {"0001|1|500|20|16|28.8", "600000|1|1000|10|24|43.2", "600036|1|100|15|3|5.4",
        "cu0105|-1|10|100|2|4.4", "xj|1|10000|1|20|40", "zzc|1|32600|1|100|130.4",
        "zzz|1|25000|1|0|100"}},
      {C(K::Proportions, Ct::ByType),
       "类型代码|类型|数量|均价2|成本|市值|货币比率|折扣百分比",
       {"a|A股|1600|13.4375|21600|21500|1|77.4", "b|期货|10|90|1005|1100|2|4.4",
        "xj|现金|10000|1|10000|10000|1|40", "zzc|市价总|32600|1|0|32600|1|130.4",
        "zzz|折扣总|25000|1|0|25000|1|100"}},
      {C(K::Proportions, Ct::ByAccount),
       "券商代码|资金帐户|数量|市值|折扣百分比",
       {"gxzq|2002|510|9100|33.2", "htzq|1001|11100|23500|88.6", "zzc||32600|32600|130.4",
        "zzz||25000|25000|100"}},
      // Profit and loss, total: confirmed, "###" and closed rows of positive quantity.
      {C(K::ProfitLoss, Ct::Detail, P::Total),
       "代码|交易费|增值率",
       {"0001|30|-20.3", "600000|70|19.3", "600016|14|36.625", "xj|0|0", "zzc|0|null",
        "zzz|0|null"}},
      {C(K::ProfitLoss, Ct::BySecurity, P::Total),
       "代码|市值|增值率",
       {"0001|8000|-20.3", "600000|12000|19.3", "600016|2200|36.625", "xj|10000|0",
        "zzc|32600|null", "zzz|25000|null"}},
      {C(K::ProfitLoss, Ct::ByType, P::Total),
       "类型代码|成本|市值|交易费|增值率",
       {"a|21714|22200|114|2.25", "xj|10000|10000|0|0", "zzc|0|32600|0|null",
        "zzz|0|25000|0|null"}},
      {C(K::ProfitLoss, Ct::ByAccount, P::Total),
       "券商代码|增值率",
       {"gxzq|-20.3", "htzq|11.6481", "zzc|null", "zzz|null"}},
      // Closed: only the closed buy (the sell has a negative quantity).
      {C(K::ProfitLoss, Ct::Detail, P::Closed), "代码|交易费|增值率", {"600016|14|36.625"}},
      {C(K::ProfitLoss, Ct::BySecurity, P::Closed), "代码|增值率", {"600016|36.625"}},
      {C(K::ProfitLoss, Ct::ByType, P::Closed), "类型代码|增值率", {"a|36.625"}},
      {C(K::ProfitLoss, Ct::ByAccount, P::Closed), "券商代码|增值率", {"htzq|36.625"}},
      // Floating: empty and "###" rows of positive quantity.
      {C(K::ProfitLoss, Ct::Detail, P::FloatingLessFees),
       "代码|交易费|增值率",
       {"0001|30|-20.3", "600000|70|19.3", "xj|0|0", "zzc|0|null", "zzz|0|null"}},
      {C(K::ProfitLoss, Ct::BySecurity, P::FloatingLessFees),
       "代码|增值率",
       {"0001|-20.3", "600000|19.3", "xj|0", "zzc|null", "zzz|null"}},
      {C(K::ProfitLoss, Ct::ByType, P::FloatingLessFees),
       "类型代码|增值率",
       {"a|-0.5", "xj|0", "zzc|null", "zzz|null"}},
      {C(K::ProfitLoss, Ct::ByAccount, P::FloatingLessFees),
       "券商代码|增值率",
       {"gxzq|-20.3", "htzq|9.65", "zzc|null", "zzz|null"}},
      // At the discount rate.
      {C(K::ProfitLoss, Ct::Detail, P::FloatingAtDiscount),
       "代码|市值|折扣价值|折扣率|增值率",
       {"0001|8000|7200|0.9|-28", "600000|12000|10800|0.9|8", "xj|10000|10000|1|0",
        "zzc|32600|32600|1|null", "zzz|25000|25000|1|null"}},
      {C(K::ProfitLoss, Ct::BySecurity, P::FloatingAtDiscount),
       "代码|折扣价值|折扣率|增值率",
       {"0001|7200|0.9|-28", "600000|10800|0.9|8", "xj|10000|1|0", "zzc|32600|1|null",
        "zzz|25000|1|null"}},
      {C(K::ProfitLoss, Ct::ByType, P::FloatingAtDiscount),
       "类型代码|折扣价值|增值率",
       {"a|18000|-10", "xj|10000|0", "zzc|32600|null", "zzz|25000|null"}},
      {C(K::ProfitLoss, Ct::ByAccount, P::FloatingAtDiscount),
       "券商代码|折扣价值|增值率",
       {"gxzq|7200|-28", "htzq|20800|4", "zzc|32600|null", "zzz|25000|null"}},
      // History: every row but "PA", by date (blank dates first) and code.
      {C(K::History),
       "代码|记录标记|成交金额",
       {"zzc|###|32600", "zzz|###|25000", "xj||10000", "0001|###|10000", "cu0105|b|1000",
        "600000||10000", "600016|P2001030100|1600", "600016|P2001030100|-2200",
        "600036|0103011000|1500"}},
      // Closed pairs.
      {C(K::ClosedPairs), "代码|数量|成交价", {"600016|200|8", "600016|-200|11"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(query_texts(c.choices).grid);
    stats.re_tj(c.choices);
    const std::vector<std::string> want(c.rows.begin(), c.rows.end());
    EXPECT_EQ(rows_of(stats.grid(), c.columns), want);
    EXPECT_EQ(stats.grid().position(), static_cast<long>(want.size()) - 1) << "on the last row";
    if (!chart_setup(c.choices).visible) {
      EXPECT_FALSE(stats.chart().active());
      continue;
    }
    std::vector<std::string> chart;
    for (const std::string& r : want)
      if (r.rfind("zzc|", 0) != 0 && r.rfind("zzz|", 0) != 0) chart.push_back(r);
    EXPECT_EQ(rows_of(stats.chart(), c.columns), chart);
  }
}

TEST(Statistics, EnablingAndChartSetUpFollowTheChoices) {
  struct Case {
    Choices choices;
    bool content, pnl, chart;
    const char *title, *series1, *column1, *series2, *column2, *labels;
  };
  const Case cases[] = {
      {C(Kind::Proportions, Content::ByType), true, false, true, "投资比例条形图", "市值百分比",
       "市值百分比", "折扣百分比", "折扣百分比", "类型"},
      {C(Kind::ProfitLoss, Content::BySecurity), true, true, true, "投资成本和现值条形图", "成 本",
       "成本", "市 值", "市值", "名称"},
      {C(Kind::ProfitLoss, Content::ByAccount, PnlType::FloatingAtDiscount), true, true, true,
       "投资成本和现值条形图", "成 本", "成本", "折扣价值", "折扣价值", "资金帐户"},
      {C(Kind::ProfitLoss, Content::Detail), true, true, true, "投资成本和现值条形图", "成 本",
       "成本", "市 值", "市值", "名称"},
      {C(Kind::History), false, false, false, "", "", "", "", "", ""},
      {C(Kind::ClosedPairs), false, false, false, "", "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    const Enabling e = enabling(c.choices.kind);
    const ChartSetup s = chart_setup(c.choices);
    EXPECT_EQ(e.content, c.content);
    EXPECT_EQ(e.pnl, c.pnl);
    EXPECT_EQ(s.visible, c.chart);
    EXPECT_EQ(s.grid_height, c.chart ? 233 : 466);
    EXPECT_EQ(s.title, c.title);
    EXPECT_EQ(s.series1_title + "/" + s.series1_column + "/" + s.series2_title + "/" +
                  s.series2_column + "/" + s.label_column,
              std::string(c.series1) + "/" + c.column1 + "/" + c.series2 + "/" + c.column2 + "/" +
                  c.labels);
  }
}

// The printed report: the column scheme, the title, the header, the rows from
// the first or from the cursor, the redirect for detail rows.
TEST(Statistics, ReportColumnsTitleAndStartRow) {
  test::LedgerFixture f(sample_ledger());
  Statistics stats(f.session);
  platform::ScriptedPrinter printer;

  stats.re_tj(C(Kind::Proportions, Content::Detail));
  EXPECT_FALSE(statistics_report_click(stats, f.dialogs, f.clock, printer));
  EXPECT_EQ(f.dialogs.shown().back().text, kDetailRedirect);

  stats.re_tj(C(Kind::Proportions, Content::ByAccount));
  f.dialogs.answer_yes();
  ASSERT_TRUE(statistics_report_click(stats, f.dialogs, f.clock, printer));
  EXPECT_EQ(f.dialogs.shown().back().text, "本操作将根据显示选择打印报告,继续吗？");
  const auto& page = printer.last().pages.at(0);
  EXPECT_EQ(page.at(1),
            std::string(21, ' ') + "统计报告--显示种类:投资比例; 内容和方式:按资金帐户统计");
  EXPECT_TRUE(page.at(5).starts_with("券商代码  券商      资金帐户  数量      均价1     "))
      << page.at(5);
  // Averages keep a blank before the next column.
  EXPECT_TRUE(
      page.at(7).starts_with("gxzq      国信      2002      510       21.568627 17.45098  "
                             "11035     9100      1.5       18        33.2      "))
      << page.at(7);
  EXPECT_EQ(printer.last().font_changes.front().height, 14);

  struct Case {
    Choices choices;
    int text_columns, width;
    const char* title;
  };
  const Case schemes[] = {
      {C(Kind::ProfitLoss, Content::BySecurity, PnlType::Closed), 1, 11,
       "统计报告--显示种类:盈亏; 盈亏类型:平仓盈亏; 内容和方式:按股票代码统计"},
      {C(Kind::Proportions, Content::ByAccount), 2, 10,
       "统计报告--显示种类:投资比例; 内容和方式:按资金帐户统计"},
      {C(Kind::History), 7, 9, "历史记录--显示种类:成交历史(按日期); 内容和方式:按资产类型统计"},
      {C(Kind::ClosedPairs, Content::Detail), 7, 9,
       "历史记录--显示种类:平仓记录(买卖成对); 内容和方式:详细记录"},
  };
  for (const Case& c : schemes) {
    EXPECT_EQ(column_scheme(c.choices).text_columns, c.text_columns);
    EXPECT_EQ(column_scheme(c.choices).width, c.width);
    EXPECT_EQ(report_title(c.choices), std::string(21, ' ') + c.title);
  }

  // History from the cursor's row to the end; from the bottom row the newest page.
  stats.re_tj(C(Kind::History));
  EXPECT_EQ(report_lines(stats.grid(), stats.choices()).size(), 9u);
  stats.grid().go_to_position(6);
  const auto from_row = report_lines(stats.grid(), stats.choices());
  ASSERT_EQ(from_row.size(), 3u);
  EXPECT_TRUE(from_row[0].starts_with("2001-02-01P2001030100htzq     华泰     1001     a"))
      << from_row[0];
  EXPECT_EQ(stats.grid().position(), 6);
  // Closed pairs with the detail content still print: they are detail rows.
  stats.re_tj(C(Kind::ClosedPairs, Content::Detail));
  f.dialogs.answer_yes();
  EXPECT_TRUE(statistics_report_click(stats, f.dialogs, f.clock, printer));
  EXPECT_EQ(f.dialogs.shown().back().text,
            "本操作将根据显示选择打印报告,打印成交历史和平仓报告需用光标指定起始记录,"
            "唯选最下面的记录将打印一页最新内容;继续吗？");
}
