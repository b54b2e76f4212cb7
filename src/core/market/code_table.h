#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/market/quote_source.h"

namespace vmx::market {

// Where code and name stand in a code-table record (positions 1-based,
// lengths in bytes).
struct CodeLayout {
  int c1 = 0, clen = 0, n1 = 0, nlen = 0, len = 0;
};

// A code table of a source: its file (relative to PATH, '/'-separated) and layout.
struct CodeTableFile {
  std::string file;
  CodeLayout layout;
};

// The code tables of a source in the order they are read: the built-in
// layouts, or for any other source its Shenzhen and then its Shanghai table,
// each when its file name is set. Empty for dbf, eye98 and csv.
std::vector<CodeTableFile> code_tables(const QuoteSource& source);

// The longest record a code table may have.
inline constexpr int kMaxCodeRecord = 100;

struct CodeRecord {
  std::string code;  // trimmed, ASCII
  std::string name;  // trimmed, UTF-8
};

// The records of a code table held in memory, in file order: size div len
// records (a trailing partial one ignored), each cut into code and name and
// trimmed of blanks. A record is left out unless "0" <= code <= "999999" as
// text, or when its code has bytes other than printable ASCII or more than
// six of them (the security list cannot hold it). Throws nothing; a layout
// whose record length is outside 1..100 gives no records.
std::vector<CodeRecord> parse_code_table(const uint8_t* data, size_t size,
                                         const CodeLayout& layout);

}  // namespace vmx::market
