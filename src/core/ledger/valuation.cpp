#include "core/ledger/valuation.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/ledger/holdings_record.h"
#include "core/store/rounding.h"

namespace vmx::ledger {

namespace {

using store::round_half_even;
using store::Value;

// Round(x * 100) * 0.01, in extended precision, stored as a double.
double cents(long double x) { return static_cast<double>(round_half_even(x * 100) * 0.01L); }

// Keeps the views bound to the ledger's cursor quiet for a run, and lets them
// refresh once at its end, however it ends.
class ControlsSuspended {
 public:
  explicit ControlsSuspended(store::Cursor& c) : m_c(c) { m_c.disable_controls(); }
  ~ControlsSuspended() { m_c.enable_controls(); }
  ControlsSuspended(const ControlsSuspended&) = delete;
  ControlsSuspended& operator=(const ControlsSuspended&) = delete;

 private:
  store::Cursor& m_c;
};

}  // namespace

Valuation::Valuation(Ledger& ledger, store::reference::Lookups& lookups, platform::Dialogs& dialogs,
                     platform::Clock& clock)
    : m_ledger(ledger), m_lookups(lookups), m_dialogs(dialogs), m_clock(clock) {}

std::string Valuation::in_wan(double x) {
  const long double w = round_half_even(static_cast<long double>(x) * 0.01L) * 0.01L;
  // A general number with 15 significant digits, as the labels always showed.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15Lg", w);
  std::string s = buf;
  return s == "-0" ? "0" : s;
}

bool Valuation::up_calc() {
  if (m_ledger.view() != Ledger::View::Holdings) m_ledger.set_view(Ledger::View::Holdings);
  ControlsSuspended quiet(m_ledger.cursor());
  return calc();
}

void Valuation::load_labels() {
  store::Cursor& c = m_ledger.cursor();
  if (c.locate("QSDM", {Value::text(kMarketTotal)}))
    m_market_label = std::string("市价总值=") + in_wan(c.get_double("COST2")) + "万";
  if (c.locate("QSDM", {Value::text(kDiscountTotal)}))
    m_discount_label = std::string("折扣总值=") + in_wan(c.get_double("COST2")) + "万";
}

bool Valuation::calc() {
  store::Cursor& c = m_ledger.cursor();
  const Date today = m_clock.today();
  float t1 = 0, t2 = 0, tz = 0;

  // Both passes visit the rows the view held when the pass began, each once:
  // a row whose key changes on the way (an empty ZJZH becoming "?") moves
  // within the view, and following it would skip or repeat its neighbours.
  const std::vector<store::RowId> first_pass = c.rows();
  for (store::RowId id : first_pass) {
    if (!c.go_to_bookmark(id)) continue;
    const std::string lx = c.get_string("LX");
    if (lx.empty()) {
      m_dialogs.inform(kMissingTypeMessage);
      return false;
    }
    if (c.get_double("BIRATE") == 0) c.set_double("BIRATE", 1);
    const std::string qsdm = c.get_string("QSDM");
    if (is_total_code(qsdm)) {
      c.post();
      continue;
    }
    const std::string code = c.get_string("CODE");
    const float a = static_cast<float>(c.get_double("AMT"));
    const float p1 = static_cast<float>(c.get_double("PRICE1"));
    float p2 = static_cast<float>(c.get_double("PRICE2"));
    const float m = m_lookups.lx_bzj_rate(lx);
    const double cost1 = static_cast<double>(static_cast<long double>(a) * p1 * m);
    c.set_double("COST1", cost1);

    int64_t bs = c.get_int("BS");
    if (bs != -1) {
      bs = 1;
      if (c.is_blank("BS") || c.get_int("BS") != 1) c.set_int("BS", 1);
    }
    if (c.get_double("PRICE2") == 0) {
      const std::string question = "发现一个名为" + c.get_string("NAME") +
                                   "的证券当前价(价格2)是0，改为和买入价(价格1)相同吗？";
      if (m_dialogs.ask(question)) {
        p2 = p1;
        c.set_double("PRICE2", p1);
      }
    }
    c.set_double("COST2", cents(cost1 + static_cast<long double>(bs) * a *
                                            (static_cast<long double>(p2) - p1)));
    if (c.get_double("ZK_RATE") == 0) c.set_double("ZK_RATE", 1);
    if (c.get_date("DATE1").serial() == 0 && code != kCashCode && !is_total_code(code))
      c.set_date("DATE1", today);

    if (c.get_string("NAME").empty()) c.set_string("NAME", m_lookups.code_to_name(code));
    if (c.get_string("QS").empty()) c.set_string("QS", m_lookups.qsdm_to_qs(qsdm));
    if (c.get_string("LXM").empty()) c.set_string("LXM", m_lookups.lx_to_lxm(lx));

    if (c.get_string("ZJZH").empty() && lx < "z") c.set_string("ZJZH", "?");
    if (c.get_string("QS").empty()) c.set_string("QS", "?");
    if (c.get_string("GDDM").empty() && lx < "z") c.set_string("GDDM", "?");
    if (code == kCashCode) c.set_string("GDDM", kCashCode);

    const float r = m_lookups.zjzh_to_birate(qsdm, c.get_string("ZJZH"));
    c.post();
    // The totals take the values as stored.
    const long double stored1 = c.get_double("COST1"), stored2 = c.get_double("COST2");
    t1 = static_cast<float>(t1 + stored1 * r);
    t2 = static_cast<float>(t2 + stored2 * r);
    tz = static_cast<float>(tz + static_cast<long double>(c.get_double("ZK_RATE")) * stored2 * r);
  }

  if (t2 == 0) {
    m_dialogs.inform(kZeroTotalMessage);
    return false;
  }

  if (!c.locate("LX", {Value::text(kMarketTotal)})) {
    c.append();
    c.set_string("LX", kMarketTotal);
    c.set_string("CODE", kMarketTotal);
    c.set_double("ZK_RATE", 1);
    c.post();
  }
  if (!c.locate("LX", {Value::text(kDiscountTotal)})) {
    c.append();
    c.set_string("LX", kDiscountTotal);
    c.set_string("QSDM", kDiscountTotal);
    c.set_string("QS", kDiscountTotalName);
    c.set_string("NAME", kDiscountTotalName);
    c.set_string("CODE", kDiscountTotal);
    c.set_double("ZK_RATE", 1);
    c.post();
  }

  // A market value without any cost (every price paid was 0) has no ratio to
  // show: the total rows' price is then 0 instead of a division by zero that
  // no number field can hold.
  auto ratio = [&](float num) {
    return t1 == 0 ? 0.0 : static_cast<double>(static_cast<long double>(num) / t1);
  };

  const std::vector<store::RowId> second_pass = c.rows();
  for (store::RowId id : second_pass) {
    if (!c.go_to_bookmark(id)) continue;
    const std::string lx = c.get_string("LX");
    long double cost1 = c.get_double("COST1"), cost2 = c.get_double("COST2"), income = 0;
    if (lx == kCashCode) {
      c.set_double("PRICE1", 1);
      c.set_double("PRICE2", 1);
      c.set_double("SXF", 0);
      c.set_double("YHS", 0);
      c.set_double("INCOME", 0);
      cost1 = cost2 = c.get_double("AMT");
      c.set_double("COST1", static_cast<double>(cost1));
      c.set_double("COST2", static_cast<double>(cost2));
    } else if (lx == kMarketTotal || lx == kDiscountTotal) {
      const bool market = lx == kMarketTotal;
      const char* name = market ? kMarketTotalName : kDiscountTotalName;
      c.set_double("PRICE1", 1);
      c.set_double("PRICE2", ratio(market ? t2 : tz));
      c.set_string("WTH", kNotAtBroker);
      c.set_double("AMT", t1);
      c.set_string("QSDM", lx);
      c.set_string("QS", name);
      c.set_string("NAME", name);
      c.set_string("LXM", name);
      c.set_string("CODE", lx);
      c.set_double("SXF", 0);
      c.set_double("YHS", 0);
      cost1 = t1;
      cost2 = market ? static_cast<long double>(t2) : round_half_even(static_cast<long double>(tz));
      income = static_cast<long double>(market ? t2 : tz) - t1;
      c.set_double("COST1", static_cast<double>(cost1));
      c.set_double("COST2", static_cast<double>(cost2));
      c.set_double("INCOME", static_cast<double>(income));
      if (market)
        m_market_label = "市值=" + in_wan(t2) + "万";
      else
        m_discount_label = "折扣总值=" + in_wan(tz) + "万";
    } else {
      const long double base = std::fabs(cost1);
      const double sxf = static_cast<double>(base * m_lookups.lx_to_sxf_rate(lx));
      const double yhs = static_cast<double>(base * m_lookups.lx_to_yhs_rate(lx));
      c.set_double("SXF", sxf);
      c.set_double("YHS", yhs);
      income = cost2 - cost1 - sxf - yhs;
      c.set_double("INCOME", static_cast<double>(income));
    }
    c.set_double("INC",
                 round_half_even(cost1) != 0 ? static_cast<double>(income * 100 / cost1) : 9999.9);

    const std::string qsdm = c.get_string("QSDM");
    float r = 1;
    if (!is_total_code(qsdm)) {
      const double birate = c.get_double("BIRATE");
      r = birate > 0 ? static_cast<float>(birate)
                     : m_lookups.zjzh_to_birate(qsdm, c.get_string("ZJZH"));
    }
    c.set_double("PER", static_cast<double>(round_half_even(cost2 * 10000 * r / t2) * 0.01L));
    c.post();
  }

  m_ledger.set_valuation_pending(false);
  m_tz = tz;
  return true;
}

}  // namespace vmx::ledger
