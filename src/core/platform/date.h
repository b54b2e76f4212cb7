#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vmx {

// A calendar date, whole days. The serial is the Paradox one: 1 = 0001-01-01
// in the proleptic Gregorian calendar, so storing it needs no conversion.
class Date {
 public:
  constexpr Date() = default;
  static constexpr Date from_serial(int32_t serial) { return Date(serial); }
  // Throws std::invalid_argument for a day that does not exist.
  static Date from_ymd(int year, int month, int day);
  // Parses yyyy-mm-dd (also yyyymmdd); nullopt when the text is not a real date.
  static std::optional<Date> parse(std::string_view text);

  constexpr int32_t serial() const { return m_serial; }
  int year() const;
  int month() const;
  int day() const;
  void ymd(int& year, int& month, int& day) const;
  std::string to_string() const;  // yyyy-mm-dd
  // Monday = 1 ... Sunday = 7.
  int day_of_week() const;

  Date add_days(int n) const { return Date(m_serial + n); }
  friend constexpr int operator-(Date a, Date b) { return a.m_serial - b.m_serial; }
  friend constexpr auto operator<=>(Date, Date) = default;

 private:
  constexpr explicit Date(int32_t serial) : m_serial(serial) {}
  int32_t m_serial = 0;
};

bool is_leap_year(int year);
int days_in_month(int year, int month);

}  // namespace vmx
