#include "core/ledger/settlement.h"

#include <cmath>

#include "core/ledger/holdings_record.h"
#include "core/platform/error_boundary.h"
#include "core/store/error.h"
#include "core/store/text.h"

namespace vmx::ledger {

using store::Value;

namespace {

std::string trimmed_text(const std::string& s) { return std::string(store::trim_blanks(s)); }

// The work of steps 6 to 11, run inside the caught-exception boundary.
class Settling {
 public:
  Settling(Trading& trading, const TradeRecord& r, store::Cursor::Bookmark order_row,
           std::string order_key, SettleResult& result)
      : m_lookups(trading.lookups()),
        m_dialogs(trading.ledger().dialogs()),
        m_c(holdings_cursor(trading.ledger())),
        m_r(r),
        m_order_row(order_row),
        m_key(std::move(order_key)),
        m_result(result),
        m_mark(closing_mark(r.date1)) {}

  // False when the user stopped at the missing frozen-cash question.
  bool run() {
    const Value qsdm = Value::text(m_r.qsdm), date0 = Value::date(m_r.date0);
    if (m_c.locate("WTH;QSDM;DATE1;CODE",
                   {Value::text(m_key), qsdm, date0, Value::text(kCashCode)})) {
      m_c.remove();
    } else if (!m_dialogs.ask(kMissingFrozenCash)) {
      return false;
    }
    const float bzj = m_lookups.lx_bzj_rate(m_r.lx);
    const float sxf = m_lookups.lx_to_sxf_rate(m_r.lx);
    const float yhs = m_lookups.lx_to_yhs_rate(m_r.lx);
    float cash_quantity = m_r.amt;
    if (m_r.amt > 0) {
      settle_buy();
    } else {
      const double unmatched = match_sell();
      if (unmatched > 0) {
        leave_remainder(unmatched, bzj, sxf, yhs);
        // Only the matched part reaches the cash row now; the remainder's
        // proceeds wait in its frozen-cash row.
        cash_quantity = static_cast<float>(m_r.amt + unmatched);
      } else {
        close_sell_order(sxf, yhs);
      }
    }
    move_cash(settlement_cash(cash_quantity, m_r.price1, bzj, sxf, yhs));
    m_dialogs.acknowledge_at(kSettleDone, kSuccessBoxX, kSuccessBoxY);
    return true;
  }

 private:
  void to_order_row() {
    if (!m_c.go_to_bookmark(m_order_row))
      throw store::Error("tr2.DBF: 委托记录 " + m_key + " 在结算中途不见了");
  }

  void settle_buy() {
    to_order_row();
    m_c.edit();
    m_c.set_string("CJ_DH", m_key);
    m_c.set_string("WTH", "");
    m_c.set_double("AMT", m_r.amt);
    m_c.set_double("PRICE1", m_r.price1);
    m_c.set_string("LX", m_r.lx);
    m_c.set_string("LXM", m_lookups.lx_to_lxm(m_r.lx));
    m_c.set_int("BS", m_r.bs);
    m_c.set_date("DATE1", m_r.date1);
    m_c.set_double("ZK_RATE", m_lookups.lx_to_zk_rate(m_r.lx));
    m_c.post();
  }

  // Closes the current row as matched by this sell.
  void close_current() {
    m_c.set_double("PRICE2", m_r.price1);
    m_c.set_date("DATE2", m_r.date1);
    m_c.set_string("CJ_DH", m_key);
    m_c.set_string("WTH", m_mark);
    m_c.post();
  }

  // Matches the sold quantity against confirmed positions; returns what is
  // left unmatched (0 when the positions sufficed).
  double match_sell() {
    double rest = -static_cast<double>(m_r.amt);
    const Value blank = Value::text(""), qsdm = Value::text(m_r.qsdm), gddm = Value::text(m_r.gddm),
                code = Value::text(m_r.code), bs = Value::integer(m_r.bs);
    if (m_c.locate("WTH;QSDM;GDDM;CODE;BS;AMT",
                   {blank, qsdm, gddm, code, bs, Value::number(rest)})) {
      m_c.edit();
      close_current();
      return 0;
    }
    while (rest > 0) {
      if (!m_c.locate("WTH;QSDM;GDDM;CODE;BS", {blank, qsdm, gddm, code, bs})) return rest;
      const double held = m_c.get_double("AMT");
      const double d = rest - held;
      if (d >= 0) {
        m_c.edit();
        close_current();
        rest = d;
        continue;
      }
      const double price1 = m_c.get_double("PRICE1");
      const Date date1 = m_c.get_date("DATE1");
      m_c.edit();
      m_c.set_double("AMT", rest);
      close_current();
      m_c.append();
      m_c.set_string("QSDM", m_r.qsdm);
      m_c.set_string("QS", m_r.qs);
      m_c.set_string("GDDM", m_r.gddm);
      m_c.set_string("ZJZH", m_r.zjzh);
      m_c.set_string("LX", m_r.lx);
      m_c.set_string("LXM", m_lookups.lx_to_lxm(m_r.lx));
      m_c.set_string("CODE", m_r.code);
      m_c.set_string("NAME", m_r.name);
      m_c.set_int("BS", m_r.bs);
      m_c.set_double("BIRATE", m_r.birate);
      m_c.set_double("PRICE1", price1);
      m_c.set_date("DATE1", date1);
      m_c.set_double("PRICE2", m_r.price1);
      m_c.set_date("DATE2", m_r.date1);
      m_c.set_double("AMT", held - rest);
      m_c.set_double("ZK_RATE", m_lookups.lx_to_zk_rate(m_r.lx));
      m_c.set_string("WTH", "");
      m_c.post();
      rest = 0;
    }
    return 0;
  }

  // Positions ran short. The order row stays as the "0???" remainder; its
  // CJ_DH keeps the order's number so that a later cancel or settlement of the
  // remainder finds the frozen-cash row made here under that number. That row
  // holds the remainder's proceeds after fees, the amount the cash row will
  // get when the remainder is settled, so cash plus frozen cash already show
  // the whole sale and nothing is added twice later.
  void leave_remainder(double unmatched, float bzj, float sxf, float yhs) {
    m_dialogs.inform(m_r.qsdm + " " + m_r.gddm + " " + m_r.code + "多空参数为" +
                     std::to_string(m_r.bs) + kShortOfPositions);
    to_order_row();
    m_c.edit();
    m_c.set_string("GDDM", m_r.gddm);
    m_c.set_double("AMT", -unmatched);
    m_c.set_string("WTH", kUnmatchedSell);
    m_c.set_string("CJ_DH", m_key);
    m_c.post();

    // The order's date, which cancel and settlement look it up by.
    append_frozen_cash(m_c, m_r, m_key,
                       -settlement_cash(static_cast<float>(-unmatched), m_r.price1, bzj, sxf, yhs),
                       m_r.date0);
    m_result.unmatched = true;
  }

  void close_sell_order(float sxf, float yhs) {
    to_order_row();
    const float cost = m_r.amt * m_r.price1;
    m_c.edit();
    m_c.set_string("CJ_DH", m_key);
    m_c.set_double("AMT", m_r.amt);
    m_c.set_double("PRICE1", m_r.price1);
    m_c.set_double("PRICE2", m_r.price1);
    m_c.set_double("COST1", cost);
    m_c.set_double("COST2", cost);
    m_c.set_double("SXF", sxf * cost);
    m_c.set_double("YHS", yhs * cost);
    m_c.set_string("WTH", m_mark);
    m_c.post();
  }

  // The cash row is looked up with WTH empty: a frozen-cash row of another
  // pending order of the account also has CODE "xj" and may come first in the
  // holdings view, and moving money on it would vanish with that order.
  void move_cash(double money) {
    if (m_c.locate("QSDM;ZJZH;CODE;WTH", {Value::text(m_r.qsdm), Value::text(m_r.zjzh),
                                          Value::text(kCashCode), Value::text("")})) {
      m_c.edit();
      m_c.set_double("AMT", m_c.get_double("AMT") - money);
      m_c.post();
      return;
    }
    m_c.append();
    m_c.set_string("QSDM", m_r.qsdm);
    m_c.set_string("QS", m_r.qs);
    m_c.set_string("ZJZH", m_r.zjzh);
    m_c.set_string("CODE", kCashCode);
    m_c.set_string("LX", kCashCode);
    m_c.set_string("LXM", kCashName);
    m_c.set_string("NAME", kCashName);
    m_c.set_int("BS", 1);
    m_c.set_double("PRICE1", 1);
    m_c.set_double("PRICE2", 1);
    m_c.set_double("AMT", -money);
    m_c.set_double("BIRATE", m_r.birate);
    m_c.set_double("ZK_RATE", m_lookups.lx_to_zk_rate(m_r.lx));
    m_c.post();
    m_dialogs.inform(kCashRowCreated);
  }

  store::reference::Lookups& m_lookups;
  platform::Dialogs& m_dialogs;
  store::Cursor& m_c;
  const TradeRecord& m_r;
  store::Cursor::Bookmark m_order_row;
  std::string m_key;  // the order's own number (for a "0???" remainder, its CJ_DH)
  SettleResult& m_result;
  std::string m_mark;
};

}  // namespace

double settlement_cash(float q, float p, float bzj, float sxf, float yhs) {
  const float f = sxf + yhs;
  return bzj * (q * p + std::fabs(q) * p * f);
}

SettleResult settle(Trading& trading, const TradeForm& form) {
  SettleResult result;
  platform::Dialogs& dialogs = trading.ledger().dialogs();
  const std::string typed = trimmed_text(form.order_number);
  if (typed.empty()) {
    dialogs.inform(kSettleNoNumber);
    return result;
  }
  TradeRecord r = get_record(form, trading.lookups());
  r.wth = stored_order_number(typed);
  result.order_number = r.wth;
  if (r.amt == 0) {
    dialogs.inform(kSettleZeroQuantity);
    result.outcome = SettleOutcome::ZeroQuantity;
    result.cancel_result = trading.cancel(form);
    return result;
  }
  store::Cursor& c = holdings_cursor(trading.ledger());
  const Value qsdm = Value::text(r.qsdm), date0 = Value::date(r.date0);
  if (!c.locate("WTH;QSDM;DATE1;CODE;BS",
                {Value::text(r.wth), qsdm, date0, Value::text(r.code), Value::integer(r.bs)})) {
    dialogs.inform(kSettleOrderNotFound);
    result.outcome = SettleOutcome::OrderNotFound;
    return result;
  }
  const store::Cursor::Bookmark order_row = c.bookmark();
  std::string key = r.wth;
  if (r.wth == kUnmatchedSell && !c.get_string("CJ_DH").empty()) key = c.get_string("CJ_DH");

  if (c.locate("CJ_DH;QSDM;DATE1", {Value::text(r.wth), qsdm, date0}) &&
      dialogs.ask(kSettledBefore)) {
    result.outcome = SettleOutcome::Declined;
    return result;
  }

  bool went_on = true;
  const bool ran = platform::run_ignoring_exceptions(dialogs, [&] {
    Settling s(trading, r, order_row, key, result);
    went_on = s.run();
  });
  if (!ran)
    result.outcome = SettleOutcome::Failed;
  else
    result.outcome = went_on ? SettleOutcome::Settled : SettleOutcome::Declined;
  return result;
}

}  // namespace vmx::ledger
