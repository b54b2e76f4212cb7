#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/platform/date.h"
#include "core/store/cursor.h"

// What a row of the holdings ledger tr2.DBF is. No field names the kind; it
// follows from WTH (order number or record marker), CODE/LX, QSDM and CJ_DH.
// This header is the one place that decides it; every operation that needs to
// know asks here instead of testing markers itself.
//
// Marker scheme of WTH (all comparisons ordinal on the stored bytes; the
// markers are ASCII, and GBK text sorts above every ASCII character):
//   ""                      confirmed row: a cash row or a position
//   "0" < WTH < "999999"    order number of a pending order, shared by its
//                           frozen-cash row (buy: yymmddhhnn + counter, sell:
//                           mmddhhnnss, or what the user typed; cut to 11)
//   "0???"                  unmatched part of a sell; also in the order band
//   "P" <= WTH < "PA"       closing mark: "P" + yyyymmdd + "00" (P2001040300),
//                           or the earlier "P" + yymmdd (P980401)
//   "###"                   not-at-broker position, or one of the total rows
//   anything else           an open row (the manual marks "b" and "s" sort above
//                           "PA", so every open-row predicate keeps them)
//
// Sign conventions:
//   - Direction is BS (1 long, -1 short), never the sign of AMT.
//   - Positions and buy (or short-opening) orders carry AMT > 0; sell (or
//     short-closing) orders AMT < 0.
//   - A frozen-cash row holds -(order quantity x order price x margin ratio):
//     negative for a buy (money reserved), positive for a sell (proceeds
//     expected), because a sell's quantity is negative.
//   - A closed sell row keeps its negative quantity, so its COST1, COST2, SXF
//     and YHS are negative too; the positions it closed keep positive ones.
//
// Invariants after a valuation run: every cash account (QSDM + ZJZH) has at
// most one cash row; a frozen-cash row exists exactly as long as its order;
// every open row has BIRATE != 0, ZK_RATE != 0, BS in {1, -1}; both total rows
// exist.
namespace vmx::ledger {

// The literal markers and codes.
inline constexpr const char* kCashCode = "xj";              // CODE and LX of cash rows
inline constexpr const char* kCashName = "现金";            // NAME and LXM of cash rows
inline constexpr const char* kFrozenCashMark = "冻结资金";  // CJ_DH of frozen-cash rows
inline constexpr const char* kMarketTotal = "zzc";          // QSDM/CODE/LX of 市价总值
inline constexpr const char* kDiscountTotal = "zzz";        // QSDM/CODE/LX of 折扣总值
inline constexpr const char* kMarketTotalName = "市价总值";
inline constexpr const char* kDiscountTotalName = "折扣总值";
inline constexpr const char* kNotAtBroker = "###";  // also the total rows' WTH
inline constexpr const char* kUnmatchedSell = "0???";
// Bounds of the marker bands, as the query texts spell them.
inline constexpr const char* kOrderLow = "0";               // order numbers sort above
inline constexpr const char* kOrderHigh = "999999";         // ... and below this
inline constexpr const char* kOrderHighWide = "999999999";  // the main window's bound
inline constexpr const char* kClosedLow = "P";              // closing marks sort at or above
inline constexpr const char* kClosedHigh = "PA";            // ... and below this

enum class RowKind {
  Cash,           // CODE "xj", not frozen: the balance of a cash account
  FrozenCash,     // CODE "xj", CJ_DH "冻结资金": money a pending order reserves
  PendingOrder,   // WTH an order number, CODE not "xj"
  Position,       // WTH empty, a security
  Closed,         // WTH a closing mark
  UnmatchedSell,  // WTH "0???"
  NotAtBroker,    // WTH "###" on a security row
  Total,          // QSDM or LX "zzc"/"zzz"
  ManualMark,     // any other WTH ("b", "s", ...): treated as an open row
};

// The fields a row's kind depends on (UTF-8 text as the cursor reads it,
// trailing blanks dropped).
struct RowKey {
  std::string_view wth, code, lx, qsdm, cj_dh;
};

// The kind of a row. Decided in this order: total rows (QSDM or LX is "zzc"
// or "zzz"), closed rows, "0???", cash and frozen-cash rows (CODE "xj"),
// then by WTH. Never fails.
RowKind classify(const RowKey& row);
const char* kind_name(RowKind k);  // English, for logs and tests

// The predicates of the query texts, over WTH alone.
// "(wth='' or wth<'P' or wth>='PA')": the row is not closed.
bool is_open_marker(std::string_view wth);
// "wth>='P' and wth<'PA'".
bool is_closing_mark(std::string_view wth);
// "wth>'0' and wth<'999999'": a pending order number (or "0???").
bool is_order_number(std::string_view wth);
// The main window's wider test: "0" < wth < "999999999".
bool is_order_number_wide(std::string_view wth);
// "(wth<'P' or wth>='P999999' or wth='')": the main window's per-code and
// per-account lists (open rows, closing marks of the current format excluded).
bool is_listed_open(std::string_view wth);

// Is this a total row's QSDM (or LX / CODE)?
bool is_total_code(std::string_view s);

// The closing mark for a closing on `d`: "P" + yyyymmdd + "00".
std::string closing_mark(Date d);

// A number field as it stands in a row: a value, or blank (all spaces, as a
// new row leaves the fields nobody set). A blank counts as 0; assigning any
// value, 0 included, makes the field non-blank, so writing a row back keeps
// a blank field blank unless the code gave it a value.
class StoredNumber {
 public:
  StoredNumber() = default;                               // blank
  StoredNumber(double v) : m_value(v), m_blank(false) {}  // NOLINT: reads like a double
  operator double() const { return m_value; }             // NOLINT
  bool blank() const { return m_blank; }

 private:
  double m_value = 0;
  bool m_blank = true;
};

// One row of tr2.DBF with every field, as the cursor reads it: text in UTF-8
// without trailing blanks, a blank date as Date() (serial 0). The stored
// numbers are kept as stored (doubles); working values of single precision
// are the operations' business.
struct HoldingsRow {
  std::string wth, qsdm, qs, gddm, zjzh, code, name, lx, lxm;
  StoredNumber bs, amt, birate, price1;
  Date date1;
  StoredNumber price2;
  Date date2;
  StoredNumber cost1, cost2, sxf, yhs, income, inc, per, zk_rate;
  std::string cj_dh, note;

  RowKey key() const { return {wth, code, lx, qsdm, cj_dh}; }
  RowKind kind() const { return classify(key()); }
};

// The field positions of tr2.DBF in an open cursor, found once, for reading
// and writing whole rows. Throws store::Error naming a missing field.
class HoldingsFields {
 public:
  explicit HoldingsFields(store::Cursor& c);

  // The current row (or the edit buffer).
  HoldingsRow read(store::Cursor& c) const;
  // Changes the fields in which `row` differs from `as_read` (the row as read
  // before the changes) and whose stored bytes would change; starts an edit
  // only then, so writing back an unchanged row changes nothing. A text is cut
  // to its field's width when stored. Does not post.
  void write(store::Cursor& c, const HoldingsRow& row, const HoldingsRow& as_read) const;
  // Appends `row` (every field that is not blank in it) and posts it.
  void append(store::Cursor& c, const HoldingsRow& row) const;

 private:
  static constexpr size_t kCount = 26;
  std::array<int, kCount> m_at{};
};

// The same for one row, finding the fields each time.
inline HoldingsRow read_row(store::Cursor& c) { return HoldingsFields(c).read(c); }
inline void write_row(store::Cursor& c, const HoldingsRow& row, const HoldingsRow& as_read) {
  HoldingsFields(c).write(c, row, as_read);
}
inline void append_row(store::Cursor& c, const HoldingsRow& row) {
  HoldingsFields(c).append(c, row);
}

}  // namespace vmx::ledger
