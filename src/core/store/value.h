#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/date.h"

namespace vmx::store {

// A field's value as the rest of the program sees it. Text is UTF-8 without
// trailing blanks. A blank field (all spaces in dBase, all zero bytes in
// Paradox) is Null; the typed readers of a cursor turn Null into 0, "" or false.
class Value {
 public:
  enum class Kind : uint8_t { Null, Text, Number, Integer, Boolean, Date, Time, Timestamp };

  Value() = default;
  static Value null() { return Value(); }
  static Value text(std::string s);
  static Value number(double d);
  static Value integer(int64_t i);
  static Value boolean(bool b);
  static Value date(Date d);
  static Value time(int32_t ms_since_midnight);
  // Days (Date serial) and milliseconds of the day.
  static Value timestamp(Date d, int32_t ms);

  Kind kind() const { return m_kind; }
  bool is_null() const { return m_kind == Kind::Null; }

  // Conversions used by the cursor's typed readers. as_string of a number uses
  // the shortest form that reads back the same; of a date, yyyy-mm-dd; of a
  // boolean, "True"/"False" as the engine shows them. as_number of text parses it and
  // throws ConversionError when it is not a number ("" and Null give 0).
  std::string as_string() const;
  double as_number() const;
  int64_t as_integer() const;  // numbers are truncated toward zero
  bool as_bool() const;
  Date as_date() const;  // throws ConversionError; Null gives Date() (serial 0)
  int32_t as_time() const;

  const std::string& str() const { return m_text; }  // Text only
  double num() const { return m_num; }               // Number only
  int64_t i64() const { return m_int; }              // Integer, Boolean, Date serial, Time ms
  // Timestamp: date serial in i64(), milliseconds in ms().
  int32_t ms() const { return static_cast<int32_t>(m_num); }

  friend bool operator==(const Value& a, const Value& b);

 private:
  Kind m_kind = Kind::Null;
  int64_t m_int = 0;
  double m_num = 0;
  std::string m_text;
};

// Formats a number the way the program shows free numbers: no exponent for the
// magnitudes money and quantities take, trailing zeros dropped.
std::string format_number(double d);

}  // namespace vmx::store
