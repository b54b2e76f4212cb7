#pragma once

#include <cstdint>
#include <string>

#include "core/store/cursor.h"

namespace vmx::ledger {

// Refusals of the margin calculation: a division by zero gives no ratio.
inline constexpr const char* kZeroUnits = "每手包含交易单位数量不能为0，无法计算保证金比率。";
inline constexpr const char* kZeroPrice = "市价不能为0，无法计算保证金比率。";
inline constexpr const char* kNegativeInput = "保证金、交易单位数量和市价都不能是负数。";
// Followed by the typed text in quotes.
inline constexpr const char* kBadRatio = "保证金比率不是有效的数字：";

// The margin ratio of a type whose margin is fixed per lot:
// (margin per lot ÷ units per lot) ÷ market price of one unit. Throws
// store::Error with kZeroUnits or kZeroPrice when a divisor is 0, and with
// kNegativeInput when any figure is negative.
double margin_ratio(int64_t margin_per_lot, int64_t units_per_lot, int64_t market_price);

// The result box's text: the ratio as a general number (15 significant
// digits) cut to its first 5 characters ("0.05", "0.033" for one thirtieth;
// a trailing point is dropped). A ratio that a 5-character cut would change in
// magnitude (written with an exponent, or with more than 5 integer digits) is
// shown whole instead.
std::string margin_ratio_text(double ratio);

// The text of the result box read as a ratio (surrounding spaces allowed).
// Throws store::ConversionError with kBadRatio when it is not a finite number.
double read_margin_ratio(const std::string& text);

// Stores `text` (read as by read_margin_ratio) as Bzj_rate of the current row
// of `types` (the settings window's lx.DB cursor) and posts it. A text that
// does not read, or a cursor without a current row, throws store::Error and
// the row is left unchanged.
void store_margin_ratio(store::Cursor& types, const std::string& text);

// The current type as the window shows it: its Lxm followed directly by its Lx;
// empty when the cursor has no current row.
std::string current_type_caption(store::Cursor& types);

}  // namespace vmx::ledger
