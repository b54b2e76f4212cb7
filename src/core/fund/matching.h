#pragma once

#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"

namespace vmx::fund {

// "撤资处理": every open withdrawal of the ledger (INPUT < 0, CZXH 0, not a
// market, manager or account row) is matched against the open investments of
// the same investor and type, oldest first, each valued by out_money at the
// withdrawal's price and date: whole investments are consumed while the money
// lasts, the last one is split (its open rest keeps its key), and the
// withdrawal and what it consumed get the next withdrawal group number. A
// withdrawal the investments do not cover keeps the matched part and leaves
// an open withdrawal for the rest. Questions and messages go to the dialogs;
// the working values are single precision. Returns the withdrawals taken up.
int match_withdrawals(FundLedger& f, TypeBook& types);

}  // namespace vmx::fund
