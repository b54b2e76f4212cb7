#include "core/ledger/order_entry.h"

#include <cmath>

#include "core/ledger/holdings_record.h"
#include "core/ledger/trading.h"
#include "core/store/catalogue.h"
#include "core/store/error.h"

namespace vmx::ledger {

namespace {

using store::Value;
namespace tr2 = store::tr2;

// Appends each value of `field` that differs from the row before it, from the
// cursor's row on, while `more` holds; rows `skip` accepts are passed over.
template <class More, class Skip>
std::vector<std::string> distinct_run(store::Cursor& c, const char* field, More more, Skip skip) {
  std::vector<std::string> out;
  std::string previous;
  bool first = true;
  for (; !c.eof() && more(); c.next()) {
    if (skip()) continue;
    std::string v = c.get_string(field);
    if (first || v != previous) out.push_back(v);
    previous = std::move(v);
    first = false;
  }
  return out;
}

std::optional<int64_t> quantity(double money, double price) {
  const double q = std::trunc(money / price);
  if (!std::isfinite(q) || std::fabs(q) >= 9e18) return std::nullopt;
  return static_cast<int64_t>(q);
}

}  // namespace

std::vector<std::string> broker_codes(Ledger& ledger) {
  store::Cursor& c = holdings_cursor(ledger);
  c.first();
  return distinct_run(
      c, tr2::kQsdm, [&] { return c.get_string(tr2::kQsdm) < kMarketTotal; }, [] { return false; });
}

std::vector<std::string> cash_accounts(Ledger& ledger, const std::string& qsdm) {
  store::Cursor& c = holdings_cursor(ledger);
  if (!c.locate(tr2::kQsdm, {Value::text(qsdm)})) return {};
  return distinct_run(
      c, tr2::kZjzh, [&] { return c.get_string(tr2::kQsdm) == qsdm; }, [] { return false; });
}

std::vector<std::string> shareholder_codes(Ledger& ledger, const std::string& qsdm,
                                           const std::string& zjzh) {
  store::Cursor& c = holdings_cursor(ledger);
  if (!c.locate(store::field_list({tr2::kQsdm, tr2::kZjzh}),
                {Value::text(qsdm), Value::text(zjzh)}))
    return {};
  return distinct_run(
      c, tr2::kGddm,
      [&] { return c.get_string(tr2::kQsdm) == qsdm && c.get_string(tr2::kZjzh) == zjzh; },
      [&] { return c.get_string(tr2::kLx) == kCashCode; });
}

Affordable affordable_quantities(double balance, double funds, const std::string& price_text) {
  double price = 0;
  try {
    price = read_box_number(price_text);
  } catch (const store::Error&) {
    return {};
  }
  if (price == 0) return {};
  return {quantity(balance, price), quantity(funds, price)};
}

bool may_sell_short(store::reference::Lookups& lookups, const std::string& lx) {
  store::Cursor& types = lookups.types();
  return types.locate("Lx", {Value::text(lx)}) && types.get_bool("Oversell");
}

std::optional<OrderListRow> order_list_row(store::Query& detail) {
  if (!detail.active() || detail.empty()) return std::nullopt;
  OrderListRow row;
  row.wth = detail.get_string("委托号");
  row.qsdm = detail.get_string("券商代码");
  row.qs = detail.get_string("券商");
  row.zjzh = detail.get_string("资金帐号");
  row.gddm = detail.get_string("股东代码");
  row.lx = detail.get_string("类型码");
  row.code = detail.get_string("代码");
  row.name = detail.get_string("名称");
  row.bs = static_cast<int>(detail.get_int("多空"));
  row.amt = detail.get_double("数量");
  row.price1 = detail.get_double("价格1");
  row.price2 = detail.get_double("价格2");
  row.date1 = detail.get_date("日期1");
  return row;
}

}  // namespace vmx::ledger
