#include "core/market/code_table.h"

#include <string_view>

#include "core/store/gbk.h"

namespace vmx::market {

namespace {

// The bytes at 1-based `pos` for `len` bytes of a record, cut to the record.
std::string_view field(std::string_view record, int pos, int len) {
  if (pos < 1 || len < 1 || static_cast<size_t>(pos) > record.size()) return {};
  return record.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(len));
}

std::string_view trim(std::string_view s) {
  auto blank = [](char ch) { return ch == ' ' || ch == '\0' || ch == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool printable_ascii(std::string_view s) {
  for (unsigned char ch : s)
    if (ch < 0x21 || ch > 0x7e) return false;
  return true;
}

}  // namespace

std::vector<CodeTableFile> code_tables(const QuoteSource& s) {
  switch (s.layout()) {
    case Layout::Hjin:
      return {{"sz.cod", {3, 6, 10, 8, 20}}, {"sh.cod", {3, 6, 10, 8, 20}}};
    case Layout::Ml30:
      return {{"sse/nametbl.dat", {8, 6, 18, 9, 81}}};
    case Layout::Slon:
      return {{"cfg/stock.sza", {1, 4, 5, 8, 18}},
              {"cfg/stock.szb", {1, 4, 5, 8, 18}},
              {"cfg/stock.szc", {1, 4, 5, 8, 18}},
              {"cfg/stock.sha", {1, 6, 7, 8, 20}},
              {"cfg/stock.shc", {1, 8, 9, 6, 20}}};
    case Layout::Parameterised: {
      std::vector<CodeTableFile> out;
      if (!s.szcodefile.empty())
        out.push_back(
            {s.szsubtab + "/" + s.szcodefile, {s.szc1, s.szclen, s.szn1, s.sznlen, s.szlen}});
      if (!s.shcodefile.empty())
        out.push_back(
            {s.shsubtab + "/" + s.shcodefile, {s.shc1, s.shclen, s.shn1, s.shnlen, s.shlen}});
      return out;
    }
    default:
      return {};
  }
}

std::vector<CodeRecord> parse_code_table(const uint8_t* data, size_t size, const CodeLayout& l) {
  std::vector<CodeRecord> out;
  if (l.len < 1 || l.len > kMaxCodeRecord) return out;
  const size_t len = static_cast<size_t>(l.len);
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  for (size_t at = 0; at + len <= size; at += len) {
    const std::string_view record = all.substr(at, len);
    const std::string_view code = trim(field(record, l.c1, l.clen));
    if (code.empty() || code.size() > 6 || !printable_ascii(code)) continue;
    if (code < "0" || code > "999999") continue;
    const std::string_view name = trim(store::gbk_cut(field(record, l.n1, l.nlen), l.nlen));
    out.push_back({std::string(code), store::gbk_to_utf8(name)});
  }
  return out;
}

}  // namespace vmx::market
