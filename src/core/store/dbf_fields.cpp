// How values sit in a dBase record: the field codec of DbfFile.
#include "core/store/dbf_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/store/error.h"
#include "core/store/gbk.h"
#include "core/store/text.h"

namespace vmx::store {
namespace {

// Decimal text of |d| rounded to `decimals` places, half away from zero, taken
// from the shortest form that reads back as d. Returns the length written into
// out (sign included), or 0 when it is longer than `room`.
size_t format_fixed(bool negative, std::string_view digits_int, std::string_view digits_frac,
                    int decimals, char* out, size_t room) {
  // Digits of the result, integer and fraction together.
  char buf[400];
  size_t n = 0;
  for (char c : digits_int) buf[n++] = c;
  const size_t int_len = n;
  for (int i = 0; i < decimals; ++i)
    buf[n++] = size_t(i) < digits_frac.size() ? digits_frac[size_t(i)] : '0';
  size_t int_digits = int_len;
  char* start = buf;
  char carried[401];
  if (digits_frac.size() > size_t(decimals) && digits_frac[size_t(decimals)] >= '5') {
    size_t i = n;
    while (i > 0) {
      --i;
      if (buf[i] == '9') {
        buf[i] = '0';
      } else {
        ++buf[i];
        break;
      }
      if (i == 0) {  // every digit carried over
        carried[0] = '1';
        std::memcpy(carried + 1, buf, n);
        start = carried;
        ++n;
        ++int_digits;
        break;
      }
    }
  }
  // Drop leading zeros of the integer part, keeping one.
  while (int_digits > 1 && start[0] == '0') {
    ++start;
    --n;
    --int_digits;
  }
  bool all_zero = true;
  for (size_t i = 0; i < n; ++i) all_zero = all_zero && start[i] == '0';
  if (all_zero) negative = false;

  const size_t needed = (negative ? 1 : 0) + int_digits + (decimals > 0 ? 1 + size_t(decimals) : 0);
  // "0.50" does not fit a width of 3, ".50" does and dBase reads it the same.
  const bool drop_zero = needed > room && decimals > 0 && int_digits == 1 && start[0] == '0';
  const size_t length = needed - (drop_zero ? 1 : 0);
  if (length > room) return 0;
  size_t o = 0;
  if (negative) out[o++] = '-';
  if (!drop_zero)
    for (size_t i = 0; i < int_digits; ++i) out[o++] = start[i];
  if (decimals > 0) {
    out[o++] = '.';
    for (int i = 0; i < decimals; ++i) out[o++] = start[int_digits + size_t(i)];
  }
  return o;
}

}  // namespace

void DbfFile::refuse_value(const FieldDef& def, const Value& v, const std::string& problem) const {
  ErrorDetails d;
  d.file = m_path.string();
  d.field = def.name;
  d.text = v.as_string();
  throw Error(ErrorKind::DoesNotFit, std::move(d), m_path.string() + ": " + problem);
}

Value DbfFile::get(const uint8_t* record, int field) const {
  const auto& def = m_schema.fields[size_t(field)];
  const char* p = reinterpret_cast<const char*>(record + m_offsets[size_t(field)]);
  const size_t w = size_t(def.width);
  switch (def.type) {
    case FieldType::Character: {
      const std::string_view s = trim_padding(std::string_view(p, w));
      if (s.empty()) return Value();
      return Value::text(is_ascii(s) ? std::string(s) : gbk_to_utf8(s));
    }
    case FieldType::Numeric:
    case FieldType::Float: {
      std::string_view s(p, w);
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
      s = trim_padding(s);
      if (s.empty() || s.find('*') != std::string_view::npos) return Value();
      if (s.front() == '+') s.remove_prefix(1);
      char buf[256];
      for (size_t i = 0; i < s.size(); ++i) buf[i] = s[i] == ',' ? '.' : s[i];
      double d = 0;
      const auto r = std::from_chars(buf, buf + s.size(), d);
      if (r.ec != std::errc() || r.ptr != buf + s.size() || !std::isfinite(d)) return Value();
      return Value::number(d);
    }
    case FieldType::Date: {
      int v[8];
      for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return Value();
        v[i] = p[i] - '0';
      }
      const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
      const int m = v[4] * 10 + v[5], d = v[6] * 10 + v[7];
      if (y < 1 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m)) return Value();
      return Value::date(Date::from_ymd(y, m, d));
    }
    case FieldType::Logical:
      switch (p[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return Value::boolean(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return Value::boolean(false);
        default:
          return Value();
      }
    case FieldType::Memo: {
      const std::string_view s = memo_bytes(record, field);
      if (s.empty()) return Value();
      return Value::text(gbk_to_utf8(s));
    }
    default:
      return Value();
  }
}

void DbfFile::set(uint8_t* record, int field, const Value& v) const {
  const auto& def = m_schema.fields[size_t(field)];
  char* p = reinterpret_cast<char*>(record + m_offsets[size_t(field)]);
  const size_t w = size_t(def.width);
  switch (def.type) {
    case FieldType::Character: {
      if (v.is_null()) {
        std::memset(p, ' ', w);
        return;
      }
      const std::string gbk = utf8_to_gbk(v.kind() == Value::Kind::Text ? v.str() : v.as_string());
      const std::string_view cut = gbk_cut(gbk, w);
      std::memcpy(p, cut.data(), cut.size());
      std::memset(p + cut.size(), ' ', w - cut.size());
      return;
    }
    case FieldType::Numeric:
    case FieldType::Float: {
      char digits[400];
      std::string_view int_part, frac_part;
      bool negative = false;
      switch (v.kind()) {
        case Value::Kind::Null:
          std::memset(p, ' ', w);
          return;
        case Value::Kind::Integer: {
          const int64_t i = v.i64();
          negative = i < 0;
          const uint64_t mag = negative ? uint64_t(0) - uint64_t(i) : uint64_t(i);
          const auto r = std::to_chars(digits, digits + sizeof digits, mag);
          int_part = std::string_view(digits, size_t(r.ptr - digits));
          break;
        }
        case Value::Kind::Number:
        case Value::Kind::Text: {
          if (v.kind() == Value::Kind::Text &&
              v.str().find_first_not_of(" \t") == std::string::npos) {
            std::memset(p, ' ', w);
            return;
          }
          const double d = v.kind() == Value::Kind::Number ? v.num() : v.as_number();
          if (!std::isfinite(d))
            refuse_value(def, v, "field " + def.name + " cannot hold the value " + v.as_string());
          negative = std::signbit(d);
          const auto r =
              std::to_chars(digits, digits + sizeof digits, std::fabs(d), std::chars_format::fixed);
          const std::string_view all(digits, size_t(r.ptr - digits));
          const size_t dot = all.find('.');
          int_part = all.substr(0, dot);
          if (dot != std::string_view::npos) frac_part = all.substr(dot + 1);
          break;
        }
        default:
          fail("numeric field " + def.name + " cannot hold the value " + v.as_string());
      }
      char out[400];
      const size_t room = std::min(w, sizeof out);
      const size_t n = int_part.size() + size_t(def.decimals) + 2 > sizeof out
                           ? 0
                           : format_fixed(negative, int_part, frac_part, def.decimals, out, room);
      if (n == 0)
        refuse_value(def, v,
                     "the value " + v.as_string() + " does not fit field " + def.name + " (width " +
                         std::to_string(def.width) + ", " + std::to_string(def.decimals) +
                         " decimals)");
      std::memset(p, ' ', w - n);
      std::memcpy(p + (w - n), out, n);
      return;
    }
    case FieldType::Date: {
      Date d;
      switch (v.kind()) {
        case Value::Kind::Null:
          std::memset(p, ' ', 8);
          return;
        case Value::Kind::Date:
        case Value::Kind::Timestamp:
          d = Date::from_serial(int32_t(v.i64()));
          break;
        case Value::Kind::Text:
          if (v.str().find_first_not_of(' ') == std::string::npos) {
            std::memset(p, ' ', 8);
            return;
          }
          d = v.as_date();
          break;
        default:
          fail("date field " + def.name + " cannot hold the value " + v.as_string());
      }
      int y = 0, m = 0, day = 0;
      d.ymd(y, m, day);
      if (y < 1 || y > 9999)
        refuse_value(def, v, "the date " + d.to_string() + " does not fit field " + def.name);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, day);
      std::memcpy(p, buf, 8);
      return;
    }
    case FieldType::Logical: {
      const bool blank = v.is_null() || (v.kind() == Value::Kind::Text &&
                                         v.str().find_first_not_of(' ') == std::string::npos);
      p[0] = blank ? ' ' : (v.as_bool() ? 'T' : 'F');
      return;
    }
    case FieldType::Memo:
      fail("memo field " + def.name + " is read-only");
    default:
      fail("field " + def.name + " has a type dBase cannot store");
  }
}

std::string_view DbfFile::raw_text(const uint8_t* record, int field) const {
  const auto& def = m_schema.fields[size_t(field)];
  if (def.type == FieldType::Memo) return memo_bytes(record, field);
  if (def.type != FieldType::Character) return {};
  return trim_padding(std::string_view(
      reinterpret_cast<const char*>(record + m_offsets[size_t(field)]), size_t(def.width)));
}

bool DbfFile::is_blank(const uint8_t* record, int field) const {
  const auto& def = m_schema.fields[size_t(field)];
  if (def.type == FieldType::Character || def.type == FieldType::Memo)
    return raw_text(record, field).empty();
  return get(record, field).is_null();
}

std::optional<std::string> DbfFile::unreadable(const uint8_t* record, int field) const {
  const auto& def = m_schema.fields[size_t(field)];
  if (def.type != FieldType::Numeric && def.type != FieldType::Float && def.type != FieldType::Date)
    return std::nullopt;
  const std::string_view raw(reinterpret_cast<const char*>(record + m_offsets[size_t(field)]),
                             size_t(def.width));
  // Blank: spaces (or NULs); a number filled with '*' across its whole width
  // is how some writers store null; "00000000" is a blank date.
  if (raw.find_first_not_of(std::string_view(" \0", 2)) == std::string_view::npos ||
      (def.type != FieldType::Date && raw.find_first_not_of('*') == std::string_view::npos) ||
      (def.type == FieldType::Date && raw == "00000000"))
    return std::nullopt;
  if (!get(record, field).is_null()) return std::nullopt;
  std::string shown;
  for (unsigned char c : trim_padding(raw)) {
    if (c >= 0x20 && c < 0x7F) {
      shown.push_back(char(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  while (!shown.empty() && shown.front() == ' ') shown.erase(shown.begin());
  return shown;
}

void DbfFile::blank_record(uint8_t* record) const { std::memset(record, ' ', m_record_size); }

}  // namespace vmx::store
