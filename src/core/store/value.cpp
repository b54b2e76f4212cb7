#include "core/store/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/store/error.h"

namespace vmx::store {

Value Value::text(std::string s) {
  Value v;
  v.m_kind = Kind::Text;
  v.m_text = std::move(s);
  return v;
}
Value Value::number(double d) {
  Value v;
  v.m_kind = Kind::Number;
  v.m_num = d;
  return v;
}
Value Value::integer(int64_t i) {
  Value v;
  v.m_kind = Kind::Integer;
  v.m_int = i;
  return v;
}
Value Value::boolean(bool b) {
  Value v;
  v.m_kind = Kind::Boolean;
  v.m_int = b ? 1 : 0;
  return v;
}
Value Value::date(Date d) {
  Value v;
  v.m_kind = Kind::Date;
  v.m_int = d.serial();
  return v;
}
Value Value::time(int32_t ms) {
  Value v;
  v.m_kind = Kind::Time;
  v.m_int = ms;
  return v;
}
Value Value::timestamp(Date d, int32_t ms) {
  Value v;
  v.m_kind = Kind::Timestamp;
  v.m_int = d.serial();
  v.m_num = ms;
  return v;
}

std::string format_number(double d) {
  if (std::isnan(d) || std::isinf(d)) return "0";
  if (d == std::trunc(d) && std::fabs(d) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d);
    return std::string(buf) == "-0" ? "0" : buf;
  }
  // Shortest text that reads back as the same double.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  if (r.ec != std::errc() || r.ptr - buf > 40) r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

namespace {
[[noreturn]] void not_a(ErrorKind kind, const std::string& text, const char* what) {
  ErrorDetails d;
  d.text = text;
  throw ConversionError(kind, std::move(d), "'" + text + "' is not a valid " + what);
}
std::string time_text(int64_t ms) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(ms / 3600000), int(ms / 60000 % 60),
                int(ms / 1000 % 60));
  return buf;
}

double parse_number(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.empty()) return 0;
  if (s.front() == '+') s.remove_prefix(1);
  double d = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), d);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size())
    not_a(ErrorKind::BadNumber, std::string(s), "floating point value");
  return d;
}
}  // namespace

std::string Value::as_string() const {
  switch (m_kind) {
    case Kind::Null:
      return {};
    case Kind::Text:
      return m_text;
    case Kind::Number:
      return format_number(m_num);
    case Kind::Integer:
      return std::to_string(m_int);
    case Kind::Boolean:
      return m_int ? "True" : "False";
    case Kind::Date:
      return Date::from_serial(static_cast<int32_t>(m_int)).to_string();
    case Kind::Time:
      return time_text(m_int);
    case Kind::Timestamp:
      return Date::from_serial(static_cast<int32_t>(m_int)).to_string() + " " +
             time_text(static_cast<int64_t>(m_num));
  }
  return {};
}

double Value::as_number() const {
  switch (m_kind) {
    case Kind::Null:
      return 0;
    case Kind::Text:
      return parse_number(m_text);
    case Kind::Number:
      return m_num;
    case Kind::Timestamp:
      return static_cast<double>(m_int) + m_num / 86400000.0;
    default:
      return static_cast<double>(m_int);
  }
}

int64_t Value::as_integer() const {
  if (m_kind == Kind::Number || m_kind == Kind::Text) {
    const double d = as_number();
    if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
      not_a(ErrorKind::BadInteger, as_string(), "integer value");
    return static_cast<int64_t>(std::trunc(d));
  }
  if (m_kind == Kind::Null) return 0;
  return m_int;
}

bool Value::as_bool() const {
  switch (m_kind) {
    case Kind::Null:
      return false;
    case Kind::Text: {
      if (m_text.empty()) return false;
      const char c = m_text[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return true;
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return false;
      not_a(ErrorKind::BadBoolean, m_text, "boolean value");
    }
    case Kind::Number:
      return m_num != 0;
    default:
      return m_int != 0;
  }
}

Date Value::as_date() const {
  switch (m_kind) {
    case Kind::Null:
      return Date();
    case Kind::Date:
    case Kind::Timestamp:
      return Date::from_serial(static_cast<int32_t>(m_int));
    case Kind::Text: {
      if (m_text.empty()) return Date();
      if (auto d = Date::parse(m_text)) return *d;
      not_a(ErrorKind::BadDate, m_text, "date");
    }
    default:
      not_a(ErrorKind::BadDate, as_string(), "date");
  }
}

int32_t Value::as_time() const {
  if (m_kind == Kind::Time) return static_cast<int32_t>(m_int);
  if (m_kind == Kind::Timestamp) return static_cast<int32_t>(m_num);
  if (m_kind == Kind::Null) return 0;
  not_a(ErrorKind::BadTime, as_string(), "time");
}

bool operator==(const Value& a, const Value& b) {
  if (a.m_kind != b.m_kind) return false;
  return a.m_int == b.m_int && a.m_num == b.m_num && a.m_text == b.m_text;
}

}  // namespace vmx::store
