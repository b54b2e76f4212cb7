#pragma once

#include <optional>
#include <string>

#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"

// What an open investment is worth after its type's fees, the valuation of
// every open row at the fund's last price, and the fee run that turns due fees
// into the manager's units (search into tich.DB, extraction, matching).
namespace vmx::fund {

inline constexpr const char* kZeroPrice = "发现一个记录价格是0,请进入基金管理窗口先修改！";
inline constexpr const char* kNothingDue = "没有可提成记录";
inline constexpr const char* kNoCandidates = "无记录，放弃操作。";
inline constexpr const char* kEmptyCandidate = "记录为或代码为空，放弃操作。";

// max(b - a, 0) in single precision.
float over(float a, float b);

// The investment the valuation looks at.
struct Investment {
  Date dt;
  double input = 0, unit = 0, price = 0;
  std::string xabc;
};
// The value after fees at price p on day d, before the final rounding; the
// type is the investment's (null for "y", which has no fees). Growth, value,
// years, thresholds and fees are single precision. The price must not be 0.
float value_after_fees(const Investment& b, const TypeTerms* type, float p, Date d);

// out_money(p, d) on the fund cursor's current row: writes L_PRICE and DMONEY
// (whole units) and posts. False, with its message and nothing written, for a
// price of 0 or a type missing from the table.
bool out_money(FundLedger& f, TypeBook& types, float p, Date d);

// calc: every open row valued at the price and date of the last row; types
// lower-cased, an empty type made "y" (with its message), an empty B1 filled.
void calc(FundLedger& f, TypeBook& types);

// "搜索可提记录": fills tich.DB with the open investments whose fees are due
// today; the number found (0 with kNothingDue). Uses the values of the last calc.
int fee_search(FundLedger& f, TypeBook& types);

// tc for the candidate code and type: their DMONEY summed (the candidates go),
// a withdrawal and a new investment of that money at the candidate's price,
// dated today, keyed apart from every other row.
void tc(FundLedger& f, const std::string& pycode, const std::string& xabc, const std::string& name,
        double l_price);

// "指定代码类型提存" for the candidate row at `position` of tich.DB (its order),
// then the matching; "所有记录提存" for all. False when there was nothing to do.
bool extract_selected(FundLedger& f, TypeBook& types, long position);
bool extract_all(FundLedger& f, TypeBook& types);

}  // namespace vmx::fund
