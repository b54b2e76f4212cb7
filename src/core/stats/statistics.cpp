#include "core/stats/statistics.h"

#include <algorithm>
#include <initializer_list>

namespace vmx::stats {

namespace {

// The pieces of the query texts, each a line of its own.
constexpr const char* kSelectDetail =
    "select date1 as 日期,wth as 记录标记,qsdm as 券商代码, qs as 券商, zjzh as 资金帐户, lx as "
    "类型代码, code as 代码, name as 名称,";
constexpr const char* kSelectBySecurity = "select code as 代码, name as 名称, bs as 多空,";
constexpr const char* kSelectByType = "select lx as 类型代码, lxm as 类型,bs as 多空,";
constexpr const char* kSelectByAccount = "select qsdm as 券商代码, qs as 券商, zjzh as 资金帐户,";
constexpr const char* kSelectHistory =
    "select date1 as 成交日期,wth as 记录标记,qsdm as 券商代码, qs as 券商, zjzh as 资金帐户, lx "
    "as 资产类型, code as 代码, name as 名称,";
constexpr const char* kFrom = "from \"tr2.DBf\" ";
constexpr const char* kLedgerFile = "tr2.DBF";
constexpr const char* kNoTotals = "and qsdm<>'zzc' and qsdm<>'zzz'";

void add(std::string& text, std::initializer_list<const char*> lines) {
  for (const char* l : lines) {
    if (!text.empty()) text += '\n';
    text += l;
  }
}

bool grouped(Kind k) { return k == Kind::Proportions || k == Kind::ProfitLoss; }

void add_select(std::string& t, const Choices& ch) {
  if (!grouped(ch.kind)) return add(t, {kSelectHistory});
  switch (ch.content) {
    case Content::Detail:
      return add(t, {kSelectDetail});
    case Content::BySecurity:
      return add(t, {kSelectBySecurity});
    case Content::ByType:
      return add(t, {kSelectByType});
    case Content::ByAccount:
      return add(t, {kSelectByAccount});
  }
}

void add_values(std::string& t, const Choices& ch) {
  const bool detail = ch.content == Content::Detail;
  const bool discount = ch.pnl == PnlType::FloatingAtDiscount;
  switch (ch.kind) {
    case Kind::Proportions:
      if (detail)
        return add(t, {"AMT as  数量, price1 as 价格1,price2 as 价格2,  cost1+yhs+sxf as 成本,  "
                       "cost2 as 市值,",
                       "per as 市值百分比, cost2*birate*zk_rate/( select sum(cost2*birate) from "
                       "\"tr2.dbf\" where lx='zzz')*100 as 折扣百分比"});
      return add(t,
                 {"SUM(AMT) as  数量, sum(price1*amt)/sum(amt) as 均价1,sum(price2*amt)/sum(amt) "
                  "as 均价2, ",
                  "sum(cost1+yhs+sxf) as 成本, sum(cost2) as 市值, ", "avg(birate) as 货币比率,",
                  "sum(per) as 市值百分比, sum(cost2*zk_rate*birate)/( select sum(cost2*birate) "
                  "from \"tr2.dbf\" where lx='zzz')*100 as 折扣百分比"});
    case Kind::ProfitLoss:
      if (detail) {
        add(t, {"AMT as  数量, price1 as 价格1, price2 as 价格2, cost1+yhs+sxf as 成本, cost2 as "
                "市值,"});
        if (discount)
          return add(t, {"cost2*zk_rate as 折扣价值,zk_rate as 折扣率, "
                         "(cost2*zk_rate-cost1)*100/(cost1) as 增值率"});
        return add(t, {"sxf+yhs as 交易费,(cost2-cost1-sxf-yhs)*100/(cost1) as 增值率"});
      }
      add(t, {"SUM(AMT) as  数量, sum(price1*amt)/sum(amt) as 均价1, ",
              "sum(price2*amt)/sum(amt) as 均价2,sum(cost1+yhs+sxf) as 成本,",
              "avg(birate) as 货币比率,"});
      if (discount)
        return add(t, {"sum(cost2*zk_rate) as 折扣价值,avg(zk_rate) as 折扣率, "
                       "sum(cost2*zk_rate-cost1)*100/sum(cost1) as 增值率"});
      return add(t, {"sum(cost2) as  市值,sum(sxf+yhs) as 交易费,sum(cost2-cost1-sxf-yhs)*100/"
                     "sum(cost1) as 增值率"});
    case Kind::History:
    case Kind::ClosedPairs:
      return add(t, {"AMT as  数量, price1 as 成交价,  price1*amt as 成交金额"});
  }
}

const char* condition(const Choices& ch) {
  switch (ch.kind) {
    case Kind::Proportions:
      return "where (wth='' or wth>'PA' or wth<'P')";
    case Kind::ProfitLoss:
      switch (ch.pnl) {
        case PnlType::Total:
          return "where (wth='' or  wth='###' or wth>'P' and wth<'PA') and amt>0";
        case PnlType::Closed:
          return "where (wth<'PA' and wth>'P' and amt>0)";
        case PnlType::FloatingLessFees:
        case PnlType::FloatingAtDiscount:
          return "where (wth='' or wth='###') and amt>0";
      }
      break;
    case Kind::History:
      return "where (wth='' or wth<>'PA')";
    case Kind::ClosedPairs:
      return "where (wth>='P' and wth<'PA' )";
  }
  return "";
}

void add_grouping(std::string& t, const Choices& ch) {
  if (ch.kind == Kind::History) return add(t, {"order by date1,code"});
  if (ch.kind == Kind::ClosedPairs) return add(t, {"order by wth,code"});
  switch (ch.content) {
    case Content::Detail:
      return add(t, {"order by qsdm, zjzh, code"});
    case Content::BySecurity:
      return add(t, {"group by code,name,bs", "order by code,name,bs"});
    case Content::ByType:
      return add(t, {"group by lx, lxm,bs", "order by lx,lxm,bs"});
    case Content::ByAccount:
      return add(t, {"group by qsdm, qs,zjzh", "order by qsdm, qs,zjzh"});
  }
}

}  // namespace

const std::array<const char*, 4>& kind_captions() {
  static const std::array<const char*, 4> c = {"投资比例", "盈亏", "成交历史(按日期)",
                                               "平仓记录(买卖成对)"};
  return c;
}

const std::array<const char*, 4>& content_captions() {
  static const std::array<const char*, 4> c = {"详细记录", "按股票代码统计", "按资产类型统计",
                                               "按资金帐户统计"};
  return c;
}

const std::array<const char*, 4>& pnl_captions() {
  static const std::array<const char*, 4> c = {"总盈亏", "平仓盈亏", "浮动盈亏(减手续费)",
                                               "浮动盈亏(按折扣率)"};
  return c;
}

Enabling enabling(Kind kind) {
  switch (kind) {
    case Kind::Proportions:
      return {true, false};
    case Kind::ProfitLoss:
      return {true, true};
    default:
      return {false, false};
  }
}

QueryTexts query_texts(const Choices& ch) {
  std::string text;
  add_select(text, ch);
  add_values(text, ch);
  add(text, {kFrom});
  QueryTexts q{text, text};
  const std::string w = condition(ch);
  add(q.grid, {w.c_str()});
  add(q.chart, {(w + kNoTotals).c_str()});
  add_grouping(q.grid, ch);
  add_grouping(q.chart, ch);
  return q;
}

ChartSetup chart_setup(const Choices& ch) {
  ChartSetup s;
  if (!grouped(ch.kind)) return s;  // hidden; the grid takes the whole height
  s.visible = true;
  s.grid_height = 233;
  if (ch.kind == Kind::Proportions) {
    s.title = "投资比例条形图";
    s.series1_title = s.series1_column = "市值百分比";
    s.series2_title = s.series2_column = "折扣百分比";
  } else {
    s.title = "投资成本和现值条形图";
    s.series1_title = "成 本";
    s.series1_column = "成本";
    if (ch.pnl == PnlType::FloatingAtDiscount) {
      s.series2_title = s.series2_column = "折扣价值";
    } else {
      s.series2_title = "市 值";
      s.series2_column = "市值";
    }
  }
  switch (ch.content) {
    case Content::Detail:
    case Content::BySecurity:
      s.label_column = "名称";
      break;
    case Content::ByType:
      s.label_column = "类型";
      break;
    case Content::ByAccount:
      s.label_column = "资金帐户";
      break;
  }
  return s;
}

Statistics::Statistics(store::Session& session)
    : m_session(session), m_grid(session, "ubx"), m_chart(session, "ubx") {}

void Statistics::re_tj(const Choices& choices) {
  m_chart.close();
  m_grid.close();
  m_choices = choices;
  m_setup = chart_setup(choices);
  const QueryTexts texts = query_texts(choices);
  m_grid.set_text(texts.grid);
  m_chart.set_text(texts.chart);
  m_chart.set_row_limit(kChartBars + 1);
  m_ledger = m_session.open_table("ubx", kLedgerFile);
  m_grid.open();
  m_grid.last();
  if (m_setup.visible) m_chart.open();
}

bool Statistics::more_bars() { return m_chart.active() && m_chart.count() > kChartBars; }

std::vector<Bar> Statistics::bars() {
  std::vector<Bar> out;
  if (!m_setup.visible || !m_chart.active()) return out;
  const size_t n = std::min(m_chart.count(), kChartBars);
  const int label = m_chart.column_index(m_setup.label_column);
  const int v1 = m_chart.column_index(m_setup.series1_column);
  const int v2 = m_chart.column_index(m_setup.series2_column);
  auto number = [](const store::Value& v) { return v.is_null() ? 0.0 : v.as_number(); };
  for (size_t r = 0; r < n; ++r)
    out.push_back({label < 0 ? std::string() : m_chart.value_at(r, label).as_string(),
                   v1 < 0 ? 0 : number(m_chart.value_at(r, v1)),
                   v2 < 0 ? 0 : number(m_chart.value_at(r, v2))});
  return out;
}

}  // namespace vmx::stats
