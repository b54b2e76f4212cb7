#include "core/ledger/holdings_record.h"

#include <cstdio>

#include "core/store/catalogue.h"

namespace vmx::ledger {

bool is_total_code(std::string_view s) { return s == kMarketTotal || s == kDiscountTotal; }

bool is_closing_mark(std::string_view wth) { return wth >= kClosedLow && wth < kClosedHigh; }

bool is_open_marker(std::string_view wth) { return wth.empty() || !is_closing_mark(wth); }

bool is_order_number(std::string_view wth) { return wth > kOrderLow && wth < kOrderHigh; }

bool is_order_number_wide(std::string_view wth) { return wth > kOrderLow && wth < kOrderHighWide; }

bool is_listed_open(std::string_view wth) {
  return wth.empty() || wth < kClosedLow || wth >= std::string_view("P999999");
}

RowKind classify(const RowKey& r) {
  if (is_total_code(r.qsdm) || is_total_code(r.lx)) return RowKind::Total;
  if (is_closing_mark(r.wth)) return RowKind::Closed;
  if (r.wth == kUnmatchedSell) return RowKind::UnmatchedSell;
  if (r.code == kCashCode) {
    // A frozen-cash row shares CODE "xj" with the cash row; its CJ_DH mark,
    // or failing that its order number, tells them apart.
    if (r.cj_dh == kFrozenCashMark || is_order_number(r.wth)) return RowKind::FrozenCash;
    return RowKind::Cash;
  }
  if (r.wth.empty()) return RowKind::Position;
  if (r.wth == kNotAtBroker) return RowKind::NotAtBroker;
  if (is_order_number(r.wth)) return RowKind::PendingOrder;
  return RowKind::ManualMark;
}

const char* kind_name(RowKind k) {
  switch (k) {
    case RowKind::Cash:
      return "cash";
    case RowKind::FrozenCash:
      return "frozen-cash";
    case RowKind::PendingOrder:
      return "pending-order";
    case RowKind::Position:
      return "position";
    case RowKind::Closed:
      return "closed";
    case RowKind::UnmatchedSell:
      return "unmatched-sell";
    case RowKind::NotAtBroker:
      return "not-at-broker";
    case RowKind::Total:
      return "total";
    case RowKind::ManualMark:
      return "manual-mark";
  }
  return "?";
}

std::string closing_mark(Date d) {
  char b[16];
  std::snprintf(b, sizeof b, "P%04d%02d%02d00", d.year() % 10000, d.month(), d.day());
  return b;
}

namespace {

using store::Value;

// The fields in catalogue order, each with its member.
enum Kind { Text, Number, Integer, Day };
struct Member {
  const char* name;
  Kind kind;
  std::string HoldingsRow::*text = nullptr;
  StoredNumber HoldingsRow::*number = nullptr;
  Date HoldingsRow::*date = nullptr;
};
Member text(const char* n, std::string HoldingsRow::*m) { return {n, Text, m, nullptr, nullptr}; }
Member number(const char* n, StoredNumber HoldingsRow::*m, Kind k = Number) {
  return {n, k, nullptr, m, nullptr};
}
Member day(const char* n, Date HoldingsRow::*m) { return {n, Day, nullptr, nullptr, m}; }

const std::array<Member, 26>& members() {
  using namespace store::tr2;
  using R = HoldingsRow;
  static const std::array<Member, 26> m = {
      text(kWth, &R::wth),          text(kQsdm, &R::qsdm),     text(kQs, &R::qs),
      text(kGddm, &R::gddm),        text(kZjzh, &R::zjzh),     text(kCode, &R::code),
      text(kName, &R::name),        text(kLx, &R::lx),         text(kLxm, &R::lxm),
      number(kBs, &R::bs, Integer), number(kAmt, &R::amt),     number(kBirate, &R::birate),
      number(kPrice1, &R::price1),  day(kDate1, &R::date1),    number(kPrice2, &R::price2),
      day(kDate2, &R::date2),       number(kCost1, &R::cost1), number(kCost2, &R::cost2),
      number(kSxf, &R::sxf),        number(kYhs, &R::yhs),     number(kIncome, &R::income),
      number(kInc, &R::inc),        number(kPer, &R::per),     number(kZkRate, &R::zk_rate),
      text(kCjDh, &R::cj_dh),       text(kNote, &R::note),
  };
  return m;
}

Value number_value(const StoredNumber& n, Kind k) {
  if (n.blank()) return Value();
  return k == Integer ? Value::integer(static_cast<int64_t>(static_cast<double>(n)))
                      : Value::number(n);
}

bool same(const StoredNumber& a, const StoredNumber& b) {
  return a.blank() == b.blank() && static_cast<double>(a) == static_cast<double>(b);
}

}  // namespace

HoldingsFields::HoldingsFields(store::Cursor& c) {
  const auto& m = members();
  for (size_t i = 0; i < kCount; ++i) m_at[i] = c.field_index(m[i].name);
}

HoldingsRow HoldingsFields::read(store::Cursor& c) const {
  const auto& m = members();
  HoldingsRow r;
  for (size_t i = 0; i < kCount; ++i) {
    const Value v = c.value_at(m_at[i]);
    switch (m[i].kind) {
      case Text:
        r.*m[i].text = v.as_string();
        break;
      case Number:
      case Integer:
        if (!v.is_null()) r.*m[i].number = v.as_number();
        break;
      case Day:
        r.*m[i].date = v.as_date();
        break;
    }
  }
  return r;
}

void HoldingsFields::write(store::Cursor& c, const HoldingsRow& row,
                           const HoldingsRow& as_read) const {
  const auto& m = members();
  for (size_t i = 0; i < kCount; ++i) {
    switch (m[i].kind) {
      case Text:
        if (row.*m[i].text != as_read.*m[i].text)
          c.set_if_changed(m_at[i], Value::text(row.*m[i].text));
        break;
      case Number:
      case Integer:
        if (!same(row.*m[i].number, as_read.*m[i].number))
          c.set_if_changed(m_at[i], number_value(row.*m[i].number, m[i].kind));
        break;
      case Day: {
        const Date d = row.*m[i].date;
        if (d != as_read.*m[i].date)
          c.set_if_changed(m_at[i], d.serial() ? Value::date(d) : Value());
        break;
      }
    }
  }
}

void HoldingsFields::append(store::Cursor& c, const HoldingsRow& row) const {
  c.append();
  write(c, row, HoldingsRow{});
  c.post();
}

}  // namespace vmx::ledger
