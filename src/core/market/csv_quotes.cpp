#include "core/market/csv_quotes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/store/gbk.h"
#include "core/store/rounding.h"

namespace vmx::market {

namespace fs = std::filesystem;

namespace {

bool valid_utf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t more;
    if (c < 0x80)
      more = 0;
    else if (c >= 0xc2 && c <= 0xdf)
      more = 1;
    else if (c >= 0xe0 && c <= 0xef)
      more = 2;
    else if (c >= 0xf0 && c <= 0xf4)
      more = 3;
    else
      return false;
    if (n - i - 1 < more) return false;
    for (size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\0'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return out;
}

// Fields of one line; a double-quoted field may hold the separator and "".
std::vector<std::string> split(std::string_view line, char sep) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cur += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        cur += ch;
      }
    } else if (ch == '"' && trim(cur).empty()) {
      cur.clear();
      quoted = true;
    } else if (ch == sep) {
      out.push_back(std::string(trim(cur)));
      cur.clear();
    } else {
      cur += ch;
    }
  }
  out.push_back(std::string(trim(cur)));
  return out;
}

char separator_of(std::string_view line) {
  const auto n = [&](char c) { return std::count(line.begin(), line.end(), c); };
  const long tabs = n('\t'), semis = n(';'), commas = n(',');
  if (tabs >= semis && tabs >= commas && tabs > 0) return '\t';
  if (semis > commas) return ';';
  return ',';
}

enum class Column { None, Code, Name, Price };

Column column_named(std::string_view header) {
  static const char* const codes[] = {"代码", "证券代码", "股票代码",
                                      "code", "symbol",   "stock code"};
  static const char* const names[] = {"名称", "证券名称", "股票名称", "简称", "证券简称", "name"};
  static const char* const prices[] = {"最新价", "现价",  "最新",  "收盘价", "收盘",  "价格",
                                       "当前价", "price", "close", "last",   "latest"};
  const std::string h = lower(trim(header));
  for (const char* c : codes)
    if (h == c) return Column::Code;
  for (const char* c : names)
    if (h == c) return Column::Name;
  for (const char* c : prices)
    if (h == c) return Column::Price;
  return Column::None;
}

// A Shenzhen code the exchange writes with six digits, "000001", is kept here
// with four, "0001", as the security list has it. Only a code marked as
// Shenzhen is shortened: an unmarked "000001" may be the Shanghai index.
std::string shenzhen_code(std::string code) {
  const bool digits =
      std::all_of(code.begin(), code.end(), [](unsigned char ch) { return std::isdigit(ch) != 0; });
  return code.size() == 6 && digits && code.starts_with("00") ? code.substr(2) : code;
}

// "sh600000", "SZ0001", "600000.SH", "0001.sz" -> the code alone;
// "sz000001", "000001.SZ" -> "0001".
std::string bare_code(std::string_view code) {
  std::string c = lower(code);
  for (const char* mark : {"sh", "sz", "ss"}) {
    std::string bare;
    const std::string suffix = std::string(".") + mark;
    if (c.size() > 2 && c.rfind(mark, 0) == 0 && std::isdigit(static_cast<unsigned char>(c[2])))
      bare = std::string(code.substr(2));
    else if (c.size() > 3 && c.ends_with(suffix))
      bare = std::string(code.substr(0, code.size() - 3));
    else
      continue;
    return std::string(mark) == "sz" ? shenzhen_code(std::move(bare)) : bare;
  }
  return std::string(code);
}

bool good_code(std::string_view c) {
  if (c.empty() || c.size() > 6) return false;
  for (unsigned char ch : c)
    if (!std::isalnum(ch)) return false;
  return true;
}

bool parse_price(std::string_view text, double& out) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double d = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (!std::isfinite(d) || std::fabs(d) >= 1e8) return false;
  // The security list keeps three decimals.
  out = static_cast<double>(store::round_half_even(d * 1000) / 1000);
  return true;
}

}  // namespace

void parse_csv_quotes(std::string_view bytes, const std::string& file, CsvQuotes& into) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::string text = valid_utf8(bytes) ? std::string(bytes) : store::gbk_to_utf8(bytes);
  const std::string_view all(text);

  int code_col = 0, name_col = 1, price_col = 2;
  bool layout_known = false;
  char sep = ',';
  size_t pos = 0;
  int line_no = 0;
  auto bad = [&] {
    if (into.bad_lines++ == 0) {
      into.first_bad_file = file;
      into.first_bad_line = line_no;
    }
  };
  while (pos <= all.size()) {
    size_t nl = all.find('\n', pos);
    if (nl == std::string_view::npos) nl = all.size();
    const std::string_view line = trim(all.substr(pos, nl - pos));
    pos = nl + 1;
    ++line_no;
    if (line.empty()) continue;
    if (!layout_known) {
      layout_known = true;
      sep = separator_of(line);
      const auto cells = split(line, sep);
      int c = -1, n = -1, p = -1;
      for (size_t i = 0; i < cells.size(); ++i) {
        switch (column_named(cells[i])) {
          case Column::Code:
            if (c < 0) c = static_cast<int>(i);
            break;
          case Column::Name:
            if (n < 0) n = static_cast<int>(i);
            break;
          case Column::Price:
            if (p < 0) p = static_cast<int>(i);
            break;
          case Column::None:
            break;
        }
      }
      if (c >= 0 || n >= 0 || p >= 0) {
        if (c < 0 || p < 0) {
          into.problems.push_back("CSV文件" + file + "的标题行没有代码列或价格列,没有读取.");
          return;
        }
        code_col = c;
        name_col = n;
        price_col = p;
        continue;
      }
      if (cells.size() == 2) {
        name_col = -1;
        price_col = 1;
      }
    }
    const auto cells = split(line, sep);
    double price = 0;
    const int need = std::max(code_col, price_col);
    if (static_cast<int>(cells.size()) <= need) {
      bad();
      continue;
    }
    const std::string code = bare_code(cells[code_col]);
    if (!good_code(code) || !parse_price(cells[price_col], price)) {
      bad();
      continue;
    }
    CsvQuote& q = into.quotes[code];
    q.price = price;
    if (name_col >= 0 && name_col < static_cast<int>(cells.size())) q.name = cells[name_col];
  }
}

std::vector<fs::path> csv_files(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator d(dir, ec), end; !ec && d != end; d.increment(ec)) {
    if (lower(d->path().extension().string()) != ".csv") continue;
    std::error_code ec2;
    if (d->is_regular_file(ec2)) out.push_back(d->path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

CsvQuotes read_csv_dir(const fs::path& dir) {
  CsvQuotes q;
  for (const fs::path& f : csv_files(dir)) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
      q.problems.push_back("CSV文件" + f.string() + "读不出来,没有读取.");
      continue;
    }
    parse_csv_quotes(bytes, f.filename().string(), q);
  }
  return q;
}

}  // namespace vmx::market
