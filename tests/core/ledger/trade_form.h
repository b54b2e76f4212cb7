#pragma once

#include "core/ledger/trading.h"

namespace vmx::test {

// A form for htzq/1001 as the trading window fills it in entry mode.
inline ledger::TradeForm form(const char* code, const char* quantity, const char* price,
                              const char* lx = "a") {
  ledger::TradeForm f;
  f.qsdm = "htzq";
  f.zjzh = "1001";
  f.gddm = "A001";
  f.lx = lx;
  f.code = code;
  f.quantity = quantity;
  f.price = price;
  f.trade_date = "2001-04-03";
  f.date0 = Date::from_ymd(2001, 4, 3);
  return f;
}

}  // namespace vmx::test
