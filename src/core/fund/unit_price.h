#pragma once

#include <string>

#include "core/fund/fund_ledger.h"

// The fund window's work on the fund ledger: the daily market result from the
// holdings valuation, the running fund value, the unit price, the units of
// every money row and the serial numbers, and the window's row operations.
// Every operation works from the fund cursor's current row, as the window's
// buttons do, and shows its messages and questions through the dialogs.
namespace vmx::fund {

inline constexpr const char* kBadDate = "错的日期，请修改!";
inline constexpr const char* kDateAfterToday = "记录日期超过今天，需修改后再运行！";
inline constexpr const char* kCompressQuestion =
    "本操作将删除投入数为0的记录，并合并连续的来自市场的赢利(或亏损)的记录，"
    "压缩不影响业绩走势和投资人盈亏。建议要么常用,要么不用; "
    "如果文件很长并偶然使用并从头重算价格,会产生价格的累积误差. 继续吗?";
inline constexpr const char* kCorrectionQuestion =
    "本操作需先用光标指定代码为***的记录，操作结果使得该记录不使基金价格产生变化。"
    "比如更改结算货币时便需要此操作。继续操作?";
inline constexpr const char* kContinueQuestion = "继续吗？";
inline constexpr const char* kMissingHistory = "缺少历史记录,无法填写名称。";

// Window creation: a ledger without a manager row ("@@@") gets one, dated a
// day before the first row (yesterday in an empty ledger), price 1.0, the
// index values of the first row that has them (else 3000 and 1300), Num 1;
// the unit price pass runs from it. Leaves the cursor on the last row.
void ensure_manager_row(FundLedger& f);

// The unit price pass from the current row to the end. Previous price and
// fund value are carried as 32-bit floats. A date outside 1960-01-01 to
// 2050-01-01 stops it with kBadDate (no numbering). An error posting a row is
// shown as "Ignoring exception: ..." and ends the pass there. With the
// recompute-back flag set and fewer than 15 rows done, the last 15 rows are
// done again (the flag cleared). Then fillnum. Returns the rows done.
int up_calc(FundLedger& f);

// Today's market row from the holdings' discounted total; today's money
// movements already in the holdings are taken out of it. False (nothing
// written) when the valuation stopped or the last row is dated after today.
bool get_cost3_total(FundLedger& f);

// The numbering pass from about 20 rows before the current row; market rows
// keep their Num. Returns the last number given. Leaves the cursor on the last row.
int fillnum(FundLedger& f);

// "重算基金价格": up_calc (from the current row, or from the last row before
// today when the cursor stands on today's rows), today's market row, up_calc
// again with the recompute-back flag set.
// False when the market result step wrote nothing (its message was shown).
bool recompute(FundLedger& f);
// The window shown: last row, recompute.
bool show_fund(FundLedger& f);

// "压缩文件" after its question; true when it ran.
bool compress(FundLedger& f);
// "校正操作" on the current row, after its question.
bool correction(FundLedger& f);
// "补充汉字": names missing names by pycode_to_name, one row per "继续吗？".
// A code that gives no name is not offered again in the same run.
void fill_names(FundLedger& f);
// The name of the first row with the code; "" (with kMissingHistory) when
// that row has none, "" silently when no row has the code. Leaves the cursor.
std::string pycode_to_name(FundLedger& f, const std::string& code);
// "删除": the current row, at once.
void delete_current(FundLedger& f);

}  // namespace vmx::fund
