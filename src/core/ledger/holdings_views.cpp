#include "core/ledger/holdings_views.h"

#include <initializer_list>

namespace vmx::app {

namespace {

std::string lines(std::initializer_list<const char*> parts) {
  std::string out;
  for (const char* p : parts) {
    if (!out.empty()) out += '\n';
    out += p;
  }
  return out;
}

// The detail list's column list and table, the same in every choice.
const char* const kLowerSelect =
    "select wth as 委托号,qsdm as 券商代码,qs as 券商,zjzh as 资金帐号,gddm as 股东代码,lx as "
    "类型码,lxm as 类型名,code as 代码,name as 名称,bs as 多空, amt as 数量,price1 as 价格1, date1 "
    "as 日期1, price2 as 价格2, date2 日期2,inc as 增值率";
const char* const kLowerFrom = "From \"tr2.dbf\"";

}  // namespace

HoldingsViews::HoldingsViews(store::Session& session)
    : m_upper(session, "ubx"), m_lower(session, "ubx") {}

HoldingsViews::~HoldingsViews() = default;

std::string HoldingsViews::upper_text(Listing listing) {
  switch (listing) {
    case Listing::ByCode:
      return lines({"SELECT DISTINCT  CODE, NAME, SUM(AMT) as 数量,",
                    "(sum(price1*amt+sxf+yhs)/sum(amt)) as 成本价, avg(price2) as 当前价,",
                    "sum(cost1+sxf+yhs) as 成本, sum(cost2) as 市值, sum(per) as 比例",
                    "from \"tr2.dbf\"", "where (wth>'PA' or wth<'P' or wth='')",
                    "GROUP BY code,name", "order by code,name"});
    case Listing::ByAccount:
      return lines({"SELECT distinct qsdm,zjzh, sum(cost2) as 市值", "from \"tr2.dbf\"",
                    "where (wth>'PA' or wth<'P' or wth='')", "GROUP BY qsdm,zjzh",
                    "order by qsdm,zjzh"});
    case Listing::PendingOrders:
      break;
  }
  return {};
}

std::string HoldingsViews::lower_text(Listing listing) {
  switch (listing) {
    case Listing::ByCode:
      return lines(
          {kLowerSelect, kLowerFrom,
           "Where (wth<'P' or wth>='P999999' or wth='') and (\"tr2.dbf\".\"CODE\" =:\"Code\" )",
           "order by qsdm,wth, code"});
    case Listing::ByAccount:
      return lines({kLowerSelect, kLowerFrom, "Where (wth<'P' or wth>='P999999' or wth='') and ",
                    " (\"tr2.dbf\".\"qsdm\" =:\"qsdm\" )", "and (\"tr2.dbf\".\"zjzh\" =:\"zjzh\" )",
                    "order by qsdm, wth, code"});
    case Listing::PendingOrders:
      return lines({kLowerSelect, kLowerFrom,
                    "Where (wth<'999999' and  wth>'0') and (code='' or code<>'xj')",
                    "order by qsdm,wth,code"});
  }
  return {};
}

std::array<std::string, 2> HoldingsViews::upper_titles(Listing listing) {
  if (listing == Listing::ByAccount) return {"券商代码", "资金账号"};
  return {"代码", "名称"};
}

void HoldingsViews::build_sql() {
  // The detail list first: replacing its text closes it, so the summary's
  // change of text does not run it once more for nothing.
  m_lower.set_text(lower_text(m_listing));
  if (m_listing == Listing::PendingOrders) {
    m_lower.set_master(static_cast<store::Query*>(nullptr));
  } else {
    m_upper.set_text(upper_text(m_listing));
    m_lower.set_master(&m_upper);
  }
}

void HoldingsViews::reopen() {
  m_lower.close();
  m_upper.close();
  // Only the pending-order list can come before any summary text exists.
  if (!m_upper.text().empty()) m_upper.open();
  m_lower.open();
}

}  // namespace vmx::app
