#pragma once

#include <string>
#include <string_view>

#include "core/platform/date.h"

// What a row of the fund ledger fund2.DB is. The kind follows from the
// investor code PYCODE alone; this header is the one place that decides it.
//
//   "***"            market row: the day's gain or loss from the holdings
//   "@@@"            manager row: the manager's own money; fees end in his units
//   "$" + account    account row: money moved between the fund's own cash
//                    accounts; "$input" is a correction row (名称 "校正")
//   a letter first   investor row ("lm", "zs", ...)
//
// Rows of one date sort by code: "$..." (0x24) < "***" (0x2A) < "@@@" (0x40)
// < letters. The key is DT, PYCODE, Num, CZXH, XABC, B1; no two rows share it.
//
// Money is held in whole currency units, units with two decimals, prices of
// money rows with three and of market rows with four decimals. An open
// investment has B1 "b" and CZXH 0; a withdrawal group n > 0 is a withdrawal
// (B1 "s") and the investments it redeemed, with opposite units.
namespace vmx::fund {

inline constexpr const char* kFundFile = "fund2.DB";
inline constexpr const char* kEarlierFundFile = "fund.db";
inline constexpr const char* kEarlierFundIndex = "fund.px";
inline constexpr const char* kFeeFile = "tich.DB";
inline constexpr const char* kTypeFile = "TZLX.db";
inline constexpr const char* kKeyFields = "DT;PYCODE;Num;CZXH;XABC;B1";

inline constexpr const char* kMarketCode = "***";
inline constexpr const char* kManagerCode = "@@@";
inline constexpr const char* kCorrectionCode = "$input";
inline constexpr const char* kMarketName = "市场";
inline constexpr const char* kManagerName = "管理人";
inline constexpr const char* kCorrectionName = "校正";
inline constexpr const char* kDefaultType = "y";
inline constexpr const char* kBought = "b";
inline constexpr const char* kRedeemed = "s";

enum class FundRowKind { Market, Manager, Account, Investor, Other };

// The kind of a row by its code (blanks around it ignored). Never fails.
FundRowKind classify(std::string_view pycode);
inline bool is_market(std::string_view pycode) { return classify(pycode) == FundRowKind::Market; }
inline bool is_manager(std::string_view pycode) { return classify(pycode) == FundRowKind::Manager; }
inline bool is_account(std::string_view pycode) { return classify(pycode) == FundRowKind::Account; }

// Does a report of investors list the row? "pycode<>'***' and not (pycode>'$'
// and pycode<'$zzzzzz')": investors and the manager, never market or account rows.
bool is_reported(std::string_view pycode);
// Can a withdrawal with this code be matched? Not a market, manager or account row.
bool is_matchable_withdrawal(std::string_view pycode);

// An investment type as every fund operation uses it: trimmed, lower case.
std::string type_code(std::string_view xabc);

// The dates the unit price pass accepts: 1960-01-01 to 2050-01-01.
bool date_in_range(Date d);

}  // namespace vmx::fund
