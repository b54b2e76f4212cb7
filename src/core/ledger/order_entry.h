#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ledger/ledger.h"
#include "core/platform/date.h"
#include "core/reference/lookups.h"
#include "core/store/query.h"

// What the trading window offers around its boxes: the broker, cash-account
// and shareholder lists read from the holdings view, the quantities the money
// buys at the typed price, the short-selling permission of a type, and the
// order-list row the main window hands over.
namespace vmx::ledger {

// Broker codes in the holdings view's order, each once, up to the total rows
// (the walk stops at the first QSDM sorting at or above "zzc").
std::vector<std::string> broker_codes(Ledger& ledger);
// The cash accounts of a broker, in view order, each once.
std::vector<std::string> cash_accounts(Ledger& ledger, const std::string& qsdm);
// The shareholder codes of a cash account, cash rows skipped, in view order,
// each once; the last is the one the box shows.
std::vector<std::string> shareholder_codes(Ledger& ledger, const std::string& qsdm,
                                           const std::string& zjzh);

// Quantities that the cash balance and the available funds buy at the price
// typed in the price box: each truncated toward zero. Both are nullopt when
// the box is not a number or is 0 (the window then shows "?????" or "???").
struct Affordable {
  std::optional<int64_t> on_balance, on_funds;
};
Affordable affordable_quantities(double balance, double funds, const std::string& price_text);

// May rows of this type be sold short? The type's Oversell flag; false for a
// type the type table does not have.
bool may_sell_short(store::reference::Lookups& lookups, const std::string& lx);

// The detail-list row the main window hands over with "委托记录处理".
struct OrderListRow {
  std::string wth;   // 委托号
  std::string qsdm;  // 券商代码
  std::string qs;    // 券商
  std::string zjzh;  // 资金帐号
  std::string gddm;  // 股东代码
  std::string lx;    // 类型码
  std::string code;  // 代码
  std::string name;  // 名称
  int bs = 1;        // 多空
  double amt = 0;    // 数量
  double price1 = 0, price2 = 0;
  Date date1;  // 日期1
};
// The current row of the main window's detail list (its captions as column
// names); nullopt when the list is closed or empty.
std::optional<OrderListRow> order_list_row(store::Query& detail);

}  // namespace vmx::ledger
