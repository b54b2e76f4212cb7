#include "core/ledger/settlement.h"

#include <cmath>

#include "core/ledger/holdings_record.h"
#include "core/platform/error_boundary.h"
#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/text.h"

namespace vmx::ledger {

using store::Value;
namespace tr2 = store::tr2;

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
    if (m_c.locate(store::field_list({tr2::kWth, tr2::kQsdm, tr2::kDate1, tr2::kCode}),
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
    const HoldingsRow was = read_row(m_c);
    HoldingsRow row = was;
    row.cj_dh = m_key;
    row.wth = "";
    row.amt = m_r.amt;
    row.price1 = m_r.price1;
    row.lx = m_r.lx;
    row.lxm = m_lookups.lx_to_lxm(m_r.lx);
    row.bs = m_r.bs;
    row.date1 = m_r.date1;
    row.zk_rate = m_lookups.lx_to_zk_rate(m_r.lx);
    write_row(m_c, row, was);
    m_c.post();
  }

  // Closes the current row as matched by this sell, `amt` of it.
  void close_current(double amt) {
    const HoldingsRow was = read_row(m_c);
    HoldingsRow row = was;
    row.amt = amt;
    row.price2 = m_r.price1;
    row.date2 = m_r.date1;
    row.cj_dh = m_key;
    row.wth = m_mark;
    write_row(m_c, row, was);
    m_c.post();
  }

  // Matches the sold quantity against confirmed positions; returns what is
  // left unmatched (0 when the positions sufficed).
  double match_sell() {
    double rest = -static_cast<double>(m_r.amt);
    const Value blank = Value::text(""), qsdm = Value::text(m_r.qsdm), gddm = Value::text(m_r.gddm),
                code = Value::text(m_r.code), bs = Value::integer(m_r.bs);
    const std::string position =
        store::field_list({tr2::kWth, tr2::kQsdm, tr2::kGddm, tr2::kCode, tr2::kBs});
    if (m_c.locate(position + ";" + tr2::kAmt,
                   {blank, qsdm, gddm, code, bs, Value::number(rest)})) {
      close_current(m_c.get_double(tr2::kAmt));
      return 0;
    }
    while (rest > 0) {
      if (!m_c.locate(position, {blank, qsdm, gddm, code, bs})) return rest;
      const HoldingsRow held = read_row(m_c);
      const double d = rest - held.amt;
      if (d >= 0) {
        close_current(held.amt);
        rest = d;
        continue;
      }
      close_current(rest);
      HoldingsRow open;
      open.qsdm = m_r.qsdm;
      open.qs = m_r.qs;
      open.gddm = m_r.gddm;
      open.zjzh = m_r.zjzh;
      open.lx = m_r.lx;
      open.lxm = m_lookups.lx_to_lxm(m_r.lx);
      open.code = m_r.code;
      open.name = m_r.name;
      open.bs = m_r.bs;
      open.birate = m_r.birate;
      open.price1 = held.price1;
      open.date1 = held.date1;
      open.price2 = m_r.price1;
      open.date2 = m_r.date1;
      open.amt = held.amt - rest;
      open.zk_rate = m_lookups.lx_to_zk_rate(m_r.lx);
      append_row(m_c, open);
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
    const HoldingsRow was = read_row(m_c);
    HoldingsRow row = was;
    row.gddm = m_r.gddm;
    row.amt = -unmatched;
    row.wth = kUnmatchedSell;
    row.cj_dh = m_key;
    write_row(m_c, row, was);
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
    const HoldingsRow was = read_row(m_c);
    HoldingsRow row = was;
    row.cj_dh = m_key;
    row.amt = m_r.amt;
    row.price1 = row.price2 = m_r.price1;
    row.cost1 = row.cost2 = cost;
    row.sxf = sxf * cost;
    row.yhs = yhs * cost;
    row.wth = m_mark;
    write_row(m_c, row, was);
    m_c.post();
  }

  // The cash row is looked up with WTH empty: a frozen-cash row of another
  // pending order of the account also has CODE "xj" and may come first in the
  // holdings view, and moving money on it would vanish with that order.
  void move_cash(double money) {
    if (m_c.locate(store::field_list({tr2::kQsdm, tr2::kZjzh, tr2::kCode, tr2::kWth}),
                   {Value::text(m_r.qsdm), Value::text(m_r.zjzh), Value::text(kCashCode),
                    Value::text("")})) {
      const HoldingsRow was = read_row(m_c);
      HoldingsRow row = was;
      row.amt = was.amt - money;
      write_row(m_c, row, was);
      m_c.post();
      return;
    }
    HoldingsRow cash;
    cash.qsdm = m_r.qsdm;
    cash.qs = m_r.qs;
    cash.zjzh = m_r.zjzh;
    cash.code = cash.lx = kCashCode;
    cash.lxm = cash.name = kCashName;
    cash.bs = 1;
    cash.price1 = cash.price2 = 1;
    cash.amt = -money;
    cash.birate = m_r.birate;
    cash.zk_rate = m_lookups.lx_to_zk_rate(m_r.lx);
    append_row(m_c, cash);
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
  if (!c.locate(store::field_list({tr2::kWth, tr2::kQsdm, tr2::kDate1, tr2::kCode, tr2::kBs}),
                {Value::text(r.wth), qsdm, date0, Value::text(r.code), Value::integer(r.bs)})) {
    dialogs.inform(kSettleOrderNotFound);
    result.outcome = SettleOutcome::OrderNotFound;
    return result;
  }
  const store::Cursor::Bookmark order_row = c.bookmark();
  std::string key = r.wth;
  if (r.wth == kUnmatchedSell && !c.get_string(tr2::kCjDh).empty()) key = c.get_string(tr2::kCjDh);

  if (c.locate(store::field_list({tr2::kCjDh, tr2::kQsdm, tr2::kDate1}),
               {Value::text(r.wth), qsdm, date0}) &&
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
