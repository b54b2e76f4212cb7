#include "core/platform/date.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace vmx {
namespace {

// Days from civil, shifted so that 0001-01-01 is serial 1.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t kSerialOfEpoch = 719163;  // serial of 1970-01-01

void civil_from_days(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

Date Date::from_ymd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > days_in_month(year, month)) {
    throw std::invalid_argument("not a date: " + std::to_string(year) + "-" +
                                std::to_string(month) + "-" + std::to_string(day));
  }
  return Date(static_cast<int32_t>(days_from_civil(year, month, day) + kSerialOfEpoch));
}

std::optional<Date> Date::parse(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  auto number = [](std::string_view s, int& out) {
    if (s.empty()) return false;
    for (char c : s)
      if (c < '0' || c > '9') return false;
    return std::from_chars(s.data(), s.data() + s.size(), out).ec == std::errc();
  };
  int y = 0, m = 0, d = 0;
  if (text.size() == 8 && number(text, y)) {
    if (!number(text.substr(0, 4), y) || !number(text.substr(4, 2), m) ||
        !number(text.substr(6, 2), d))
      return std::nullopt;
  } else {
    const auto a = text.find('-');
    const auto b = a == std::string_view::npos ? a : text.find('-', a + 1);
    if (b == std::string_view::npos) return std::nullopt;
    if (!number(text.substr(0, a), y) || !number(text.substr(a + 1, b - a - 1), m) ||
        !number(text.substr(b + 1), d))
      return std::nullopt;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m)) return std::nullopt;
  return from_ymd(y, m, d);
}

void Date::ymd(int& year, int& month, int& day) const {
  civil_from_days(static_cast<int64_t>(m_serial) - kSerialOfEpoch, year, month, day);
}
int Date::year() const {
  int y, m, d;
  ymd(y, m, d);
  return y;
}
int Date::month() const {
  int y, m, d;
  ymd(y, m, d);
  return m;
}
int Date::day() const {
  int y, m, d;
  ymd(y, m, d);
  return d;
}

std::string Date::to_string() const {
  int y, m, d;
  ymd(y, m, d);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

int Date::day_of_week() const {
  // Serial 1 (0001-01-01) was a Monday.
  const int r = (m_serial - 1) % 7;
  return (r < 0 ? r + 7 : r) + 1;
}

}  // namespace vmx
