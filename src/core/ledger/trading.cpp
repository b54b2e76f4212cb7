#include "core/ledger/trading.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/ledger/holdings_record.h"
#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/gbk.h"
#include "core/store/text.h"
#include "core/store/typed_text.h"

namespace vmx::ledger {

using store::Value;
namespace tr2 = store::tr2;

namespace {

std::string trimmed_text(const std::string& s) { return std::string(store::trim_blanks(s)); }

// The characters a generated number ends with, in the order they are tried.
// Digits first, so the first nine buys of a minute keep the familiar numbers;
// capitals after them still sort inside the order band.
constexpr const char* kSuffixes = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kSuffixCount = 35;

std::string two(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}

// Every WTH and CJ_DH of the ledger, closed rows included: a settled order's
// number lives on in CJ_DH, and reusing it would make the settlement take a
// new order for one settled before.
std::set<std::string> numbers_in_use(store::Cursor& ledger) {
  std::set<std::string> used;
  const int wth = ledger.field_index(tr2::kWth), cj_dh = ledger.field_index(tr2::kCjDh);
  store::Table& table = ledger.table();
  for (const store::RowId id : table.natural_order()) {
    used.insert(table.get(id, wth).as_string());
    used.insert(table.get(id, cj_dh).as_string());
  }
  return used;
}

}  // namespace

double read_box_number(const std::string& text) {
  const std::string t = trimmed_text(text);
  bool ok = !t.empty();
  // Only plain decimal notation: strtod would also take hex, "inf" and "nan".
  for (const char ch : t)
    if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '+' || ch == '-' || ch == '.' ||
          ch == 'e' || ch == 'E'))
      ok = false;
  double v = 0;
  if (ok) {
    errno = 0;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    ok = end == t.c_str() + t.size() && errno == 0 && std::isfinite(v);
  }
  if (!ok) throw store::ConversionError(store::not_a_number(t));
  return v;
}

Date read_box_date(const std::string& text) {
  const auto d = Date::parse(trimmed_text(text));
  if (!d) throw store::ConversionError(store::not_a_date(trimmed_text(text)));
  return *d;
}

TradeRecord get_record(const TradeForm& form, store::reference::Lookups& lookups) {
  TradeRecord r;
  // Convert the boxes before any lookup can show a message, so that a bad box
  // fails with nothing shown and nothing written.
  // The record holds single precision: a number beyond its range would be
  // written as infinity.
  const auto single = [](const std::string& text) {
    const float v = static_cast<float>(read_box_number(text));
    if (!std::isfinite(v))
      throw store::ConversionError(store::number_out_of_range(trimmed_text(text)));
    return v;
  };
  r.amt = single(form.quantity);
  r.price1 = r.price2 = single(form.price);
  r.date1 = r.date2 = read_box_date(form.trade_date);
  r.cost1 = r.cost2 = r.amt * r.price1;
  r.date0 = form.date0;
  r.qsdm = trimmed_text(form.qsdm);
  r.zjzh = trimmed_text(form.zjzh);
  r.gddm = trimmed_text(form.gddm);
  r.lx = trimmed_text(form.lx);
  r.code = trimmed_text(form.code);
  r.bs = form.short_side ? -1 : 1;
  r.qs = lookups.qsdm_to_qs(r.qsdm);
  r.lxm = lookups.lx_to_lxm(r.lx);
  r.name = lookups.securities().code_to_name(r.code);
  r.birate = lookups.zjzh_to_birate(r.qsdm, r.zjzh);
  return r;
}

namespace {

// The fields of a new row that name the trade's cash account.
HoldingsRow account_row(const TradeRecord& r) {
  HoldingsRow row;
  row.qsdm = r.qsdm;
  row.qs = r.qs;
  row.zjzh = r.zjzh;
  row.gddm = r.gddm;
  return row;
}

}  // namespace

void append_frozen_cash(store::Cursor& c, const TradeRecord& r, const std::string& wth,
                        double amount, Date date) {
  HoldingsRow row = account_row(r);
  row.wth = wth;
  row.code = row.lx = kCashCode;
  row.lxm = row.name = kCashName;
  row.bs = 1;
  row.cj_dh = kFrozenCashMark;
  row.amt = amount;
  row.date1 = row.date2 = date;
  row.price1 = row.price2 = 1;
  row.birate = r.birate;
  append_row(c, row);
}

std::string stored_order_number(const std::string& text) {
  const std::string gbk = store::utf8_to_gbk(text);
  std::string cut(store::gbk_cut(gbk, kOrderNumberWidth));
  while (!cut.empty() && cut.back() == ' ') cut.pop_back();
  return store::gbk_to_utf8(cut);
}

std::string OrderNumbers::next_buy(store::Cursor& ledger) {
  const platform::DateTime t = m_clock.now();
  const std::string prefix =
      two(t.date.year()) + two(t.date.month()) + two(t.date.day()) + two(t.hour) + two(t.minute);
  const std::set<std::string> used = numbers_in_use(ledger);
  const int start = (m_counter - 1) % kSuffixCount;
  ++m_counter;
  for (int i = 0; i < kSuffixCount; ++i) {
    const std::string n = prefix + kSuffixes[(start + i) % kSuffixCount];
    if (!used.count(n)) return n;
  }
  throw store::Error("tr2.DBF: 本分钟的委托号已全部使用 (" + prefix + "), 请稍后再输入委托");
}

std::string OrderNumbers::next_sell(store::Cursor& ledger) {
  const platform::DateTime t = m_clock.now();
  const std::string base =
      two(t.date.month()) + two(t.date.day()) + two(t.hour) + two(t.minute) + two(t.second);
  const std::set<std::string> used = numbers_in_use(ledger);
  if (!used.count(base)) return base;
  for (int i = 0; i < kSuffixCount; ++i) {
    const std::string n = base + kSuffixes[i];
    if (!used.count(n)) return n;
  }
  throw store::Error("tr2.DBF: 本秒的委托号已全部使用 (" + base + "), 请稍后再输入委托");
}

store::Cursor& holdings_cursor(Ledger& ledger) {
  if (ledger.view() != Ledger::View::Holdings) ledger.set_view(Ledger::View::Holdings);
  return ledger.cursor();
}

Trading::Trading(Ledger& ledger, store::reference::Lookups& lookups, platform::Clock& clock)
    : m_ledger(ledger), m_lookups(lookups), m_numbers(clock) {}

OrderResult Trading::buy(const TradeForm& form) { return enter(form, false); }

OrderResult Trading::sell(const TradeForm& form) { return enter(form, true); }

OrderResult Trading::enter(const TradeForm& form, bool sell) {
  platform::Dialogs& dialogs = m_ledger.dialogs();
  if (trimmed_text(form.code).empty()) {
    dialogs.inform(kNoCode);
    return {};
  }
  store::Cursor& c = holdings_cursor(m_ledger);
  TradeRecord r = get_record(form, m_lookups);
  const std::string typed = trimmed_text(form.order_number);
  std::string wth;
  if (!typed.empty()) {
    wth = typed;
    if (!sell) m_numbers.count_buy();
  } else {
    wth = sell ? m_numbers.next_sell(c) : m_numbers.next_buy(c);
  }
  r.wth = stored_order_number(wth);
  if (sell) {
    r.amt = -r.amt;
    r.cost1 = r.cost2 = r.amt * r.price1;
  }
  const float bzj = m_lookups.lx_bzj_rate(r.lx);
  const float zk = m_lookups.lx_to_zk_rate(r.lx);

  HoldingsRow order = account_row(r);
  order.wth = r.wth;
  order.lx = r.lx;
  order.lxm = r.lxm;
  order.name = r.name;
  order.bs = r.bs;
  order.code = r.code;
  order.amt = r.amt;
  order.date1 = r.date1;
  order.date2 = r.date2;
  order.price1 = r.price1;
  order.price2 = r.price2;
  order.birate = r.birate;
  order.zk_rate = zk;
  append_row(c, order);

  append_frozen_cash(c, r, r.wth, bzj * (-(r.amt * r.price1)), r.date1);

  dialogs.acknowledge_at(sell ? kSellDone : kBuyDone, kSuccessBoxX, kSuccessBoxY);
  return {true, r.wth};
}

OrderResult Trading::cancel(const TradeForm& form) {
  platform::Dialogs& dialogs = m_ledger.dialogs();
  const TradeRecord r = get_record(form, m_lookups);
  const std::string typed = trimmed_text(form.order_number);
  if (typed.empty()) {
    dialogs.inform(kCancelNoNumber);
    return {};
  }
  const std::string wth = stored_order_number(typed);
  store::Cursor& c = holdings_cursor(m_ledger);
  const Value qsdm = Value::text(r.qsdm), date0 = Value::date(r.date0);

  // A "0???" remainder keeps its frozen-cash row under the order's own number,
  // which the settlement left in the remainder's CJ_DH; several remainders of
  // one day are told apart by their code.
  std::string frozen_key = wth;
  const bool remainder = wth == kUnmatchedSell;
  const std::string order_key = store::field_list({tr2::kWth, tr2::kQsdm, tr2::kDate1, tr2::kCode});
  if (remainder && c.locate(order_key, {Value::text(wth), qsdm, date0, Value::text(r.code)})) {
    const std::string cj_dh = c.get_string(tr2::kCjDh);
    if (!cj_dh.empty()) frozen_key = cj_dh;
  }

  if (c.locate(order_key, {Value::text(frozen_key), qsdm, date0, Value::text(kCashCode)})) {
    c.remove();
  } else if (!dialogs.ask(kMissingFrozenCash)) {
    return {};
  }
  const bool found = remainder
                         ? c.locate(order_key, {Value::text(wth), qsdm, date0, Value::text(r.code)})
                         : c.locate(store::field_list({tr2::kWth, tr2::kQsdm, tr2::kDate1}),
                                    {Value::text(wth), qsdm, date0});
  if (found) c.remove();
  dialogs.acknowledge_at(kCancelDone, kSuccessBoxX, kSuccessBoxY);
  return {true, wth};
}

}  // namespace vmx::ledger
