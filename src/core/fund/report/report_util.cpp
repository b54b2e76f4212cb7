#include "core/fund/report/report_util.h"

#include <cmath>
#include <cstdio>

#include "core/store/rounding.h"

namespace vmx::fund::report {

std::string whole(double d) { return std::to_string(store::trunc(static_cast<long double>(d))); }

std::string rounded(double d) {
  const double r = store::round_half_even(d);
  return std::to_string(static_cast<long long>(r));
}

std::string fixed(double d, int decimals) {
  const double scale = std::pow(10.0, decimals);
  double r = store::round_half_even(d * scale) / scale;
  if (r == 0) r = 0;  // no "-0.00"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
  return buf;
}

std::string hash_format(double d, int decimals) {
  std::string s = fixed(d, decimals);
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  const bool negative = !s.empty() && s.front() == '-';
  std::string digits = negative ? s.substr(1) : s;
  if (digits == "0") return "";
  if (digits.rfind("0.", 0) == 0) digits.erase(0, 1);
  return negative ? "-" + digits : digits;
}

std::string date_text(store::Cursor& c, std::string_view field) {
  return c.is_blank(field) ? std::string() : c.get_date(field).to_string();
}

std::string pad(std::string_view text, int width) {
  const bool full = !text.empty() && text.front() != ' ' &&
                    static_cast<long>(ledger::report::print_width(text)) >= width;
  return full ? " " + std::string(text)
              : ledger::report::s10(text, width, ledger::report::Pad::Before);
}

std::string centred(std::string_view text, int width) {
  const long w = static_cast<long>(ledger::report::print_width(text));
  const long lead = (width - w) / 2;
  return std::string(static_cast<size_t>(lead > 0 ? lead : 0), ' ') + std::string(text);
}

}  // namespace vmx::fund::report
