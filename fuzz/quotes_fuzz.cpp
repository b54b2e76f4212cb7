// Feeds arbitrary bytes to the readers of the market-data programs' files: a
// day file's last close, a code table's records and a CSV quote list. The
// first byte picks the reader and the next ones its layout; the rest is the
// file. Bad bytes must give the not-found price, no records or counted bad
// lines, never a crash or a sanitizer report.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/market/code_table.h"
#include "core/market/csv_quotes.h"
#include "core/market/day_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vmx::market;
  if (size < 6) return 0;
  const uint8_t which = data[0] % 3;
  const uint8_t* body = data + 6;
  const size_t n = size - 6;
  if (which == 0) {
    const int length = static_cast<int>(data[1]) - 8;  // also below 0 and past the file
    const char type = static_cast<char>('0' + data[2] % 5);
    const float p = price_from_day_data(body, n, length, type);
    if (p != kNotFound && !(p > -1e8f && p < 1e8f)) __builtin_trap();
  } else if (which == 1) {
    const CodeLayout layout{data[1] % 110 - 5, data[2] % 12, data[3] % 110 - 5, data[4] % 12,
                            data[5] % 120 - 5};
    for (const CodeRecord& r : parse_code_table(body, n, layout))
      if (r.code.empty() || r.code.size() > 6) __builtin_trap();
  } else {
    CsvQuotes q;
    parse_csv_quotes(std::string_view(reinterpret_cast<const char*>(body), n), "fuzz.csv", q);
    for (const auto& [code, quote] : q.quotes)
      if (code.empty() || code.size() > 6) __builtin_trap();
  }
  return 0;
}
