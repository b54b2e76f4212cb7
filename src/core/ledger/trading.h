#pragma once

#include <optional>
#include <string>

#include "core/ledger/ledger.h"
#include "core/platform/clock.h"
#include "core/platform/date.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"

// Orders of the manual order processing window (TForm_chuli): buy or short
// opening, sell or short closing, and cancel. An order changes no cash row: it
// adds a pending-order row and a frozen-cash row that reserves (buy) or
// announces (sell) the money. The settlement (settlement.h) later confirms it.
// Every operation works on the ledger's cursor in the holdings view (NO_PC),
// switching the ledger to that view when it shows the closed positions.
namespace vmx::ledger {

// The messages.
inline constexpr const char* kNoCode = "没输股票代码";
inline constexpr const char* kBuyDone = "买进处理成功,按Yes继续！";
inline constexpr const char* kSellDone = "卖出处理成功,按Yes继续. (左手按空格键选择亦可)";
inline constexpr const char* kCancelNoNumber = "无委托号，退出！";
inline constexpr const char* kMissingFrozenCash =
    "缺少冻结资金记录,继续吗？（继续选Yes, 放弃选No）";
inline constexpr const char* kCancelDone = "撤消委托处理成功,按Yes继续！";
// Where the success boxes stand on the screen.
inline constexpr int kSuccessBoxX = 300;
inline constexpr int kSuccessBoxY = 200;
// Width in bytes of WTH and CJ_DH.
inline constexpr size_t kOrderNumberWidth = 11;

// The trading window's boxes as the user left them: what get_record reads.
struct TradeForm {
  std::string order_number;  // 委托号 Edit1; empty in entry mode unless typed
  std::string qsdm;          // Combo_qsdm
  std::string zjzh;          // Combo_zjzh
  std::string gddm;          // combo_gddm
  std::string lx;            // Edit3
  std::string code;          // Edit4
  std::string quantity;      // Edit5, as typed
  std::string price;         // Edit2, as typed
  std::string trade_date;    // Edit_dt, yyyy-mm-dd as typed
  bool short_side = false;   // RadioGroup1 on "卖空(只适合期货)"
  Date date0;                // 日期1 of the row selected in the main window's order list
};

// The trade record: one record shared by the window's operations and the
// settlement. Quantities, prices and costs are single precision, as the
// window has always kept them; they are widened when written to the ledger.
struct TradeRecord {
  std::string wth, qsdm, qs, zjzh, gddm, lx, lxm, code, name;
  int bs = 1;  // -1 short, 1 long
  float amt = 0, price1 = 0, price2 = 0, cost1 = 0, cost2 = 0, birate = 1;
  Date date0, date1, date2;
};

// A decimal number as the window's boxes take it: surrounding blanks allowed,
// an optional sign, digits with an optional point and exponent. Throws
// store::ConversionError store::not_a_number otherwise (also for an empty box).
double read_box_number(const std::string& text);
// A date box: yyyy-mm-dd (or yyyymmdd). Throws store::ConversionError
// store::not_a_date otherwise.
Date read_box_date(const std::string& text);

// Fills the trade record from the boxes: texts trimmed, names from the
// lookups (QS, LXM, BIRATE) and NAME from the security list; wth is left
// empty (each operation sets it). Throws store::Error when the quantity, the
// price or the trade date does not convert; nothing is written then.
TradeRecord get_record(const TradeForm& form, store::reference::Lookups& lookups);

// Appends the frozen-cash row of an order: CODE/LX "xj", CJ_DH "冻结资金",
// WTH the order number, the account's fields from `r`, AMT the money reserved
// (negative) or expected (positive), both dates `date` (what cancel and
// settlement look the row up by), prices 1.
void append_frozen_cash(store::Cursor& c, const TradeRecord& r, const std::string& wth,
                        double amount, Date date);

// `text` as WTH stores it: cut to 11 bytes of GBK, never inside a double-byte
// character, trailing blanks dropped. The number the main window is positioned
// on must be this one, never the longer text.
std::string stored_order_number(const std::string& text);

// Order numbers for the orders entered after login. A buy gets the moment's
// "yymmddhhnn" and one more character, a sell the moment's "mmddhhnnss" (and
// one more character only when that number is already in use). Both always
// fit the 11 bytes of WTH, sort above "0" and below "999999", and never equal
// a WTH or CJ_DH already in the ledger, so two orders of one minute (or
// second) never share a number however many are entered. The buy counter
// starts at 1 and grows with every buy, also when a typed number was used; it
// picks which character is tried first: 1..9, then A..Z, cycling, skipping
// those in use.
class OrderNumbers {
 public:
  explicit OrderNumbers(platform::Clock& clock) : m_clock(clock) {}

  // The number for a buy entered now. Counts the buy. Throws store::Error when
  // every number of this minute is in use (35 orders within one minute).
  std::string next_buy(store::Cursor& ledger);
  // The number for a sell entered now. Throws store::Error when every number
  // of this second is in use.
  std::string next_sell(store::Cursor& ledger);
  // A typed buy number also counts.
  void count_buy() { ++m_counter; }
  int counter() const { return m_counter; }

 private:
  platform::Clock& m_clock;
  int m_counter = 1;
};

// What an order operation did.
struct OrderResult {
  bool done = false;         // false: refused by a check (its message was shown)
  std::string order_number;  // the number as stored: position the main window on it
};

// The order operations of one login: one instance lives as long as the
// trading window (the buy counter is its state).
class Trading {
 public:
  Trading(Ledger& ledger, store::reference::Lookups& lookups, platform::Clock& clock);

  // Buy or short opening (bs from the form's direction). Checks the code box
  // ("没输股票代码"), reads the record (throws store::Error on a box that does
  // not convert, nothing written), takes the typed or a generated order number,
  // appends the pending-order row and the frozen-cash row (AMT = -(amt x price
  // x margin ratio)) and shows kBuyDone at (300, 200). The caller refreshes the
  // valuation and the main window. Throws store::Error when the ledger cannot
  // be written.
  OrderResult buy(const TradeForm& form);
  // Sell or short closing: as buy with the quantity negated (the order row's
  // AMT < 0, the frozen-cash row's > 0, the proceeds announced), a "mmddhhnnss"
  // number, and kSellDone.
  OrderResult sell(const TradeForm& form);
  // Cancel: needs the order number box ("无委托号，退出！"); deletes the order's
  // frozen-cash row (asking kMissingFrozenCash when it is missing; No stops)
  // and its order row, found by (order number, broker code, date0); shows
  // kCancelDone. A "0???" remainder of an unmatched sell is cancelled with the
  // frozen-cash row kept under its original order number (its CJ_DH). No cash
  // row changes. Returns done = false when refused or stopped.
  OrderResult cancel(const TradeForm& form);

  OrderNumbers& order_numbers() { return m_numbers; }
  Ledger& ledger() { return m_ledger; }
  store::reference::Lookups& lookups() { return m_lookups; }

 private:
  OrderResult enter(const TradeForm& form, bool sell);

  Ledger& m_ledger;
  store::reference::Lookups& m_lookups;
  OrderNumbers m_numbers;
};

// The ledger's cursor in the holdings view (switching to it when needed).
store::Cursor& holdings_cursor(Ledger& ledger);

}  // namespace vmx::ledger
