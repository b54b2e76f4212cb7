#include "core/fund/investor_lists.h"

#include <cstdio>

#include "core/fund/fund_record.h"
#include "core/fund/unit_price.h"
#include "core/store/rounding.h"

namespace vmx::fund {

namespace {

// The sixth line of both texts is the record filter.
constexpr const char* kOpenOnly = "and not (czxh>0) \n";
constexpr const char* kOpenOnlyDetail = "and not (czxh>0)\n";
constexpr const char* kAll = " \n";

}  // namespace

std::string InvestorLists::totals_text(bool all) {
  return std::string(
             "select pycode, name, xabc, sum(input) as input,\n"
             "sum(unit*l_price) as asset,sum(unit) as unit, \n"
             "(sum(price*unit)/sum(unit)*100)/100 as a_price,\n"
             "sum(unit*l_price)/sum(input)*100-100 as zzl,sum(dmoney) as dmoney\n"
             "From \"fund2.DB\"  where  (pycode<>'***') \n") +
         (all ? kAll : kOpenOnly) +
         "and not ( pycode>'$' and pycode<'$zzzzzz')\n"
         "GROUP BY pycode,name,xabc\n"
         "order by pycode,name,xabc";
}

std::string InvestorLists::detail_text(bool all) {
  return std::string(
             "select dt, pycode, name, xabc, input,unit*l_price as asset,\n"
             "unit, price,l_price,(l_price/price-1)*100 as zzl, \n"
             "dmoney,czxh, sz, shz, note,qsdm,zjzh\n"
             "From \"fund2.DB\"\n"
             "where \"fund2.DB\".\"pycode\" =:\"pycode\"  and (price<>0) and (pycode<>'***')\n") +
         (all ? kAll : kOpenOnlyDetail) + "order by dt,czxh";
}

InvestorLists::InvestorLists(store::Session& session)
    : m_totals(session, "ubx"), m_detail(session, "ubx") {
  m_totals.set_text(totals_text(false));
  m_detail.set_text(detail_text(false));
  m_detail.set_master(&m_totals);
}

std::string InvestorLists::pycode() {
  return m_totals.active() && !m_totals.empty() ? m_totals.get_string("pycode") : std::string();
}

std::string InvestorLists::xabc() {
  return m_totals.active() && !m_totals.empty() ? m_totals.get_string("xabc") : std::string();
}

void InvestorLists::reopen() {
  const std::string code = pycode(), type = xabc();
  const long pos = m_totals.active() ? m_totals.position() : 0;
  m_detail.close();
  if (m_totals.active())
    m_totals.reopen();
  else
    m_totals.open();
  m_detail.open();
  if (code.empty() || !select(code, type)) m_totals.go_to_position(pos < 0 ? 0 : pos);
}

void InvestorLists::set_all_records(bool all) {
  const std::string code = pycode(), type = xabc();
  m_detail.close();
  m_totals.close();
  m_all = all;
  m_totals.set_text(totals_text(all));
  m_detail.set_text(detail_text(all));
  m_totals.open();
  m_detail.open();
  if (!code.empty()) select(code, type);
}

bool InvestorLists::select(const std::string& code, const std::string& type) {
  if (!m_totals.active()) return false;
  const size_t n = m_totals.count();
  const int c = m_totals.column_index("pycode"), x = m_totals.column_index("xabc");
  for (size_t i = 0; i < n; ++i)
    if (m_totals.value_at(i, c).as_string() == code &&
        m_totals.value_at(i, x).as_string() == type) {
      m_totals.go_to_position(static_cast<long>(i));
      return true;
    }
  return false;
}

bool InvestorLists::find(const std::string& code) {
  if (!m_totals.active()) return false;
  const size_t n = m_totals.count();
  const int c = m_totals.column_index("pycode");
  for (size_t i = 0; i < n; ++i)
    if (m_totals.value_at(i, c).as_string() == code) {
      m_totals.go_to_position(static_cast<long>(i));
      return true;
    }
  return false;
}

namespace {

std::string two_decimals(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", store::round_half_even(d * 100) * 0.01);
  return buf;
}

}  // namespace

InOutSummary in_out_summary(FundLedger& f, TypeBook& types, InvestorLists& lists) {
  InOutSummary s;
  if (is_manager(lists.pycode())) {
    lists.set_all_records(false);
    store::Query& t = lists.totals();
    const long here = t.position();
    double sd = 0, sa = 0, su = 0;
    const int c = t.column_index("pycode"), d = t.column_index("dmoney"),
              a = t.column_index("asset"), u = t.column_index("unit");
    for (size_t i = 0; i < t.count(); ++i) {
      if (is_manager(t.value_at(i, c).as_string())) continue;
      sd += t.value_at(i, d).as_number();
      sa += t.value_at(i, a).as_number();
      su += t.value_at(i, u).as_number();
    }
    t.go_to_position(here);
    recompute(f);
    store::Cursor& k = f.cursor();
    k.last();
    const double fv = k.get_double("FUND"), p = k.get_double("PRICE");
    s.now = store::round_half_even(fv - sa);
    s.later = store::round_half_even(fv - sd);
    s.units_line =
        "基金经理人所持股数(总股数－投资人持股数):" + two_decimals(p == 0 ? -su : fv / p - su);
    return s;
  }
  store::Query& q = lists.detail();
  const long here = q.position();
  const Date today = f.clock().today();
  double su = 0, sd = 0, sn = 0;
  std::string last_type;
  const int dt = q.column_index("dt"), x = q.column_index("xabc"), u = q.column_index("unit"),
            d = q.column_index("dmoney");
  for (size_t i = 0; i < q.count(); ++i) {
    const double dm = q.value_at(i, d).as_number();
    su += q.value_at(i, u).as_number();
    sd += dm;
    last_type = q.value_at(i, x).as_string();
    const TypeTerms* type = types.find(last_type);
    if (!type || q.value_at(i, dt).as_date().add_days(static_cast<int>(type->e11)) <= today)
      sn += dm;
  }
  if (q.count() > 0) q.go_to_position(here < 0 ? 0 : here);
  s.now = store::round_half_even(sn);
  s.later = sd;
  s.units_line = "所持" + last_type + "类型基金数量(股数):" + two_decimals(su);
  return s;
}

}  // namespace vmx::fund
