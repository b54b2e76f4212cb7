#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"
#include "core/store/rounding.h"

namespace vmx::fund::report {

AccountLists::AccountLists(store::Session& session)
    : m_accounts(session, "ubx"), m_movements(session, "ubx"), m_holdings(session, "ubx") {
  m_accounts.set_text(
      "select qsdm,zjzh, sum(input) as input\n"
      "From \"fund2.DB\"\n"
      "where pycode<>'***'\n"
      "GROUP BY qsdm,zjzh\n"
      "order by qsdm,zjzh");
  m_movements.set_text(
      "select dt, qsdm,zjzh,  input, price, sz, shz, name, note\n"
      "From \"fund2.DB\"\n"
      "where \"fund2.DB\".\"qsdm\" =:\"qsdm\" and \"fund2.DB\".\"zjzh\" =:\"zjzh\"\n"
      "order by dt");
  m_holdings.set_text(
      "select qsdm, zjzh, sum(cost2) as cost2,  sum(cost2*zk_rate) as cost3\n"
      "from \"tr2.dbf\"\n"
      "where \"tr2.dbf\".\"qsdm\" =:\"qsdm\" and \"tr2.dbf\".\"zjzh\" =:\"zjzh\"\n"
      "and wth='' \n"
      "group by qsdm,zjzh\n"
      "order by qsdm,zjzh");
  m_movements.set_master(&m_accounts);
  m_holdings.set_master(&m_accounts);
}

void AccountLists::reopen() {
  const long pos = m_accounts.active() ? m_accounts.position() : 0;
  m_movements.close();
  m_holdings.close();
  if (m_accounts.active())
    m_accounts.reopen();
  else
    m_accounts.open();
  m_movements.open();
  m_holdings.open();
  if (!m_accounts.empty())
    m_accounts.go_to_position(
        std::min<long>(pos < 0 ? 0 : pos, static_cast<long>(m_accounts.count()) - 1));
}

bool AccountLists::select(const std::string& qsdm, const std::string& zjzh) {
  const int q = m_accounts.column_index("qsdm"), z = m_accounts.column_index("zjzh");
  for (size_t i = 0; i < m_accounts.count(); ++i)
    if (m_accounts.value_at(i, q).as_string() == qsdm &&
        m_accounts.value_at(i, z).as_string() == zjzh) {
      m_accounts.go_to_position(static_cast<long>(i));
      return true;
    }
  return false;
}

std::optional<double> gain_rate(std::optional<double> value, double invested) {
  if (!value || invested == 0) return std::nullopt;
  return store::round_half_even((*value / invested - 1) * 10000) * 0.01;
}

std::vector<std::string> account_report_lines(AccountLists& lists, const std::string& broker_name,
                                              bool details, const platform::DateTime& when) {
  store::Query& a = lists.accounts();
  std::vector<std::string> out;
  if (!a.active()) lists.reopen();
  if (a.empty()) return out;
  const std::string qsdm = a.get_string("qsdm"), zjzh = a.get_string("zjzh");
  const double invested = a.get_double("input");
  store::Query& h = lists.holdings();
  std::optional<double> cost2, cost3;
  if (!h.empty()) {
    cost2 = h.get_double("cost2");
    cost3 = h.get_double("cost3");
  }
  auto opt = [](std::optional<double> d, bool whole) {
    return !d ? std::string() : whole ? rounded(*d) : fixed(*d, 2);
  };
  out.push_back(centred("资金帐户报告", 66));
  out.push_back(centred("券商代码:" + qsdm + " 券商:" + broker_name + " 资金帐号" + zjzh +
                            " 打印时间:" + ledger::report::print_time_text(when),
                        90));
  out.push_back("投资总结：");
  out.push_back(pad("投资金额", 10) + pad("市值", 10) + pad("增值率%", 10) + pad("折扣价值", 10) +
                pad("折扣增值率%", 10));
  out.push_back(pad(rounded(invested), 10) + pad(opt(cost2, true), 10) +
                pad(opt(gain_rate(cost2, invested), false), 10) + pad(opt(cost3, true), 10) +
                pad(opt(gain_rate(cost3, invested), false), 10));
  if (details) {
    out.push_back("资金进出记录：");
    out.push_back(pad("日期", 11) + pad("投资人", 8) + pad(" 投入金额", 10) + pad("基金价格", 9) +
                  pad("深指", 8) + pad("沪指", 8) + " 注释");
    store::Query& m = lists.movements();
    for (size_t i = 0; i < m.count(); ++i) {
      auto v = [&](const char* col) { return m.value_at(i, m.column_index(col)); };
      out.push_back(pad(v("dt").is_null() ? std::string() : v("dt").as_date().to_string(), 11) +
                    pad(v("name").as_string(), 8) + pad(rounded(v("input").as_number()), 10) +
                    pad(fixed(v("price").as_number(), 3), 9) +
                    pad(rounded(v("sz").as_number()), 8) + pad(rounded(v("shz").as_number()), 8) +
                    " " + v("note").as_string());
    }
  }
  out.push_back("管理人签名:              " + when.date.to_string());
  return out;
}

void print_account_report(FundLedger& f, AccountLists& lists, bool details,
                          platform::Printer& printer) {
  store::Query& a = lists.accounts();
  if (!a.active()) lists.reopen();
  const std::string broker =
      a.empty() ? std::string() : f.lookups().qsdm_to_qs(a.get_string("qsdm"));
  print_lines(printer, "资金帐户报告",
              account_report_lines(lists, broker, details, f.clock().now()));
}

}  // namespace vmx::fund::report
