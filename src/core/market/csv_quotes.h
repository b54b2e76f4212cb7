#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vmx::market {

struct CsvQuote {
  std::string name;  // UTF-8, may be empty
  double price = 0;
};

// What one or more CSV quote files hold.
struct CsvQuotes {
  std::map<std::string, CsvQuote> quotes;  // by code; a later line wins
  int bad_lines = 0;                       // lines skipped as malformed
  std::string first_bad_file;              // where the first of them stands
  int first_bad_line = 0;                  // 1-based line number in that file
  std::vector<std::string> problems;       // whole files that gave nothing, in words
};

// Reads one CSV quote list held in memory into `into`. The text is UTF-8
// (with or without a byte-order mark) or else GBK; fields are separated by
// comma, tab or semicolon (whichever the first line holds most of) and may be
// double-quoted. A first line naming the columns (代码/名称/最新价,
// code/name/close and the like) says where code, name and price stand;
// without one the columns are code, name, price (code, price when there are
// two). Blank lines are passed over; a line without a code or a price that
// is a number is counted as bad. Codes lose a market mark ("sh600000",
// "600000.SH" -> "600000"). `file` names the source in what is recorded.
void parse_csv_quotes(std::string_view bytes, const std::string& file, CsvQuotes& into);

// Every *.csv file (any case) directly in `dir`, in name order.
std::vector<std::filesystem::path> csv_files(const std::filesystem::path& dir);

// Reads every CSV file of `dir`. A file that cannot be read is recorded in
// `problems`.
CsvQuotes read_csv_dir(const std::filesystem::path& dir);

}  // namespace vmx::market
