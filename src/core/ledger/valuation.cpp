#include "core/ledger/valuation.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/ledger/holdings_record.h"
#include "core/store/catalogue.h"
#include "core/store/rounding.h"
#include "core/store/table.h"

namespace vmx::ledger {

namespace {

using store::round_half_even;
using store::Value;
namespace tr2 = store::tr2;

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
  if (c.locate(tr2::kQsdm, {Value::text(kMarketTotal)}))
    m_market_label = std::string("市价总值=") + in_wan(c.get_double(tr2::kCost2)) + "万";
  if (c.locate(tr2::kQsdm, {Value::text(kDiscountTotal)}))
    m_discount_label = std::string("折扣总值=") + in_wan(c.get_double(tr2::kCost2)) + "万";
}

bool Valuation::calc() {
  store::Cursor& c = m_ledger.cursor();
  const HoldingsFields fields(c);
  const int cost1_at = c.field_index(tr2::kCost1), cost2_at = c.field_index(tr2::kCost2),
            zk_rate_at = c.field_index(tr2::kZkRate);
  const Date today = m_clock.today();
  float t1 = 0, t2 = 0, tz = 0;

  // Both passes visit the rows the view held when the pass began, each once:
  // a row whose key changes on the way (an empty ZJZH becoming "?") moves
  // within the view, and following it would skip or repeat its neighbours.
  // Each row is read whole, changed in memory and written back field by field
  // where its stored bytes change, so a row that is already right is left
  // untouched.
  // Both passes write back most rows of a long ledger: their writes reach
  // the file together, and other running copies wait meanwhile.
  store::WritePass pass(c.table());
  const std::vector<store::RowId> first_pass = c.rows();
  for (store::RowId id : first_pass) {
    if (!c.go_to_bookmark(id)) continue;
    const HoldingsRow was = fields.read(c);
    HoldingsRow row = was;
    if (row.lx.empty()) {
      pass.finish();
      m_dialogs.inform(kMissingTypeMessage);
      return false;
    }
    if (row.birate == 0) row.birate = 1;
    if (is_total_code(row.qsdm)) {
      fields.write(c, row, was);
      c.post();
      continue;
    }
    // Cash is worth its amount. The second pass has always priced cash rows at
    // 1; doing it here too lets a new account's row (no prices yet) or a row
    // copied from a security count in this run's totals, not from the next.
    if (row.lx == kCashCode) {
      row.price1 = 1;
      row.price2 = 1;
    }
    const float a = static_cast<float>(row.amt);
    const float p1 = static_cast<float>(row.price1);
    float p2 = static_cast<float>(row.price2);
    const float m = m_lookups.lx_bzj_rate(row.lx);
    const double cost1 = static_cast<double>(static_cast<long double>(a) * p1 * m);
    row.cost1 = cost1;

    int64_t bs = static_cast<int64_t>(row.bs);
    if (bs != -1) {
      bs = 1;
      if (row.bs.blank() || row.bs != 1) row.bs = 1;
    }
    if (row.price2 == 0) {
      const std::string question =
          "发现一个名为" + row.name + "的证券当前价(价格2)是0，改为和买入价(价格1)相同吗？";
      bool yes;
      {
        store::PassPause pause(c.table());
        yes = m_dialogs.ask(question);
      }
      if (yes) {
        p2 = p1;
        row.price2 = p1;
      }
    }
    row.cost2 =
        cents(cost1 + static_cast<long double>(bs) * a * (static_cast<long double>(p2) - p1));
    if (row.zk_rate == 0) row.zk_rate = 1;
    if (row.date1.serial() == 0 && row.code != kCashCode && !is_total_code(row.code))
      row.date1 = today;

    if (row.name.empty()) row.name = m_lookups.code_to_name(row.code);
    if (row.qs.empty()) row.qs = m_lookups.qsdm_to_qs(row.qsdm);
    if (row.lxm.empty()) row.lxm = m_lookups.lx_to_lxm(row.lx);

    if (row.zjzh.empty() && row.lx < "z") row.zjzh = "?";
    if (row.qs.empty()) row.qs = "?";
    if (row.gddm.empty() && row.lx < "z") row.gddm = "?";
    if (row.code == kCashCode) row.gddm = kCashCode;

    const float r = m_lookups.zjzh_to_birate(row.qsdm, row.zjzh);
    fields.write(c, row, was);
    c.post();
    // The totals take the values as stored.
    const long double stored1 = c.value_at(cost1_at).as_number(),
                      stored2 = c.value_at(cost2_at).as_number();
    t1 = static_cast<float>(t1 + stored1 * r);
    t2 = static_cast<float>(t2 + stored2 * r);
    tz = static_cast<float>(tz + static_cast<long double>(c.value_at(zk_rate_at).as_number()) *
                                     stored2 * r);
  }

  if (t2 == 0) {
    pass.finish();
    m_dialogs.inform(kZeroTotalMessage);
    return false;
  }

  if (!c.locate(tr2::kLx, {Value::text(kMarketTotal)})) {
    HoldingsRow total;
    total.lx = total.code = kMarketTotal;
    total.zk_rate = 1;
    fields.append(c, total);
  }
  if (!c.locate(tr2::kLx, {Value::text(kDiscountTotal)})) {
    HoldingsRow total;
    total.lx = total.qsdm = total.code = kDiscountTotal;
    total.qs = total.name = kDiscountTotalName;
    total.zk_rate = 1;
    fields.append(c, total);
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
    const HoldingsRow was = fields.read(c);
    HoldingsRow row = was;
    const std::string& lx = row.lx;
    long double cost1 = row.cost1, cost2 = row.cost2, income = 0;
    if (lx == kCashCode) {
      row.price1 = 1;
      row.price2 = 1;
      row.sxf = 0;
      row.yhs = 0;
      row.income = 0;
      cost1 = cost2 = row.amt;
      row.cost1 = static_cast<double>(cost1);
      row.cost2 = static_cast<double>(cost2);
    } else if (lx == kMarketTotal || lx == kDiscountTotal) {
      const bool market = lx == kMarketTotal;
      const char* name = market ? kMarketTotalName : kDiscountTotalName;
      row.price1 = 1;
      row.price2 = ratio(market ? t2 : tz);
      row.wth = kNotAtBroker;
      row.amt = t1;
      row.qsdm = lx;
      row.qs = row.name = row.lxm = name;
      row.code = lx;
      row.sxf = 0;
      row.yhs = 0;
      cost1 = t1;
      cost2 = market ? static_cast<long double>(t2) : round_half_even(static_cast<long double>(tz));
      income = static_cast<long double>(market ? t2 : tz) - t1;
      row.cost1 = static_cast<double>(cost1);
      row.cost2 = static_cast<double>(cost2);
      row.income = static_cast<double>(income);
      if (market)
        m_market_label = "市值=" + in_wan(t2) + "万";
      else
        m_discount_label = "折扣总值=" + in_wan(tz) + "万";
    } else {
      const long double base = std::fabs(cost1);
      const double sxf = static_cast<double>(base * m_lookups.lx_to_sxf_rate(lx));
      const double yhs = static_cast<double>(base * m_lookups.lx_to_yhs_rate(lx));
      row.sxf = sxf;
      row.yhs = yhs;
      income = cost2 - cost1 - sxf - yhs;
      row.income = static_cast<double>(income);
    }
    row.inc = round_half_even(cost1) != 0 ? static_cast<double>(income * 100 / cost1) : 9999.9;

    float r = 1;
    if (!is_total_code(row.qsdm)) {
      const double birate = row.birate;
      r = birate > 0 ? static_cast<float>(birate) : m_lookups.zjzh_to_birate(row.qsdm, row.zjzh);
    }
    row.per = static_cast<double>(round_half_even(cost2 * 10000 * r / t2) * 0.01L);
    fields.write(c, row, was);
    c.post();
  }
  pass.finish();

  m_ledger.set_valuation_pending(false);
  m_tz = tz;
  return true;
}

}  // namespace vmx::ledger
