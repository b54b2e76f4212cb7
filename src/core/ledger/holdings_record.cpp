#include "core/ledger/holdings_record.h"

#include <cstdio>

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

}  // namespace vmx::ledger
