#pragma once

#include <string>
#include <string_view>

#include "core/ledger/report/page_frame.h"
#include "core/store/cursor.h"

// Number and date texts of the fund's printed reports and lists.
namespace vmx::fund::report {

using ledger::report::RowKept;

// Truncated toward zero to a whole number ("-12" for -12.7).
std::string whole(double d);
// Rounded to a whole number, ties to even.
std::string rounded(double d);
// Fixed decimals, ties to even ("1.250" for 1.25 with 3).
std::string fixed(double d, int decimals);
// The display format "###.##": at most `decimals` decimals, trailing zeros
// and a zero before the point left out, nothing at all for zero (".5", "12.35", "").
std::string hash_format(double d, int decimals = 2);
// A date field as yyyy-mm-dd, "" when blank.
std::string date_text(store::Cursor& c, std::string_view field);

// The fund management window's column padding: spaces in front. A value as
// wide as its column or wider still gets one space, so that neighbouring
// numbers never run together.
std::string pad(std::string_view text, int width);
// Centred on `width` print columns (spaces in front only).
std::string centred(std::string_view text, int width);

}  // namespace vmx::fund::report
