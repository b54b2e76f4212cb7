#pragma once

#include <string>
#include <string_view>

namespace vmx::store {

// Text is GBK on disk and UTF-8 in memory. Conversions use iconv (code page 936
// as the C library names it, "GBK").

// UTF-8 to GBK. A character GBK lacks becomes '?' (the file can only hold what
// GBK holds). Throws ConversionError for malformed UTF-8.
std::string utf8_to_gbk(std::string_view utf8);
// GBK to UTF-8. A byte sequence that is not GBK becomes U+FFFD so that a damaged
// file still shows its readable part.
std::string gbk_to_utf8(std::string_view gbk);

// The longest prefix of `gbk` that is at most `max_bytes` long and does not end
// inside a double-byte character.
std::string_view gbk_cut(std::string_view gbk, size_t max_bytes);

// Ordinal comparison as in the stored bytes: both sides are compared as their GBK
// bytes (ASCII text compares without converting). Returns <0, 0, >0.
int compare_ordinal(std::string_view utf8_a, std::string_view utf8_b);

// True when every byte is ASCII.
bool is_ascii(std::string_view s);

// Can a text field `width` bytes wide hold `utf8` whole: GBK has each of its
// characters and together they take at most `width` bytes? Storing a text
// that does not fit cuts it, or turns characters into '?'. False for
// malformed UTF-8.
bool fits_gbk_field(std::string_view utf8, size_t width);

}  // namespace vmx::store
