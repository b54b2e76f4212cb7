#include "core/store/display.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vmx::store {

namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct Meaning {
  std::string_view name;
  Shown shown;
};

// Fields of the tables and the column titles the holdings lists give them.
constexpr std::array kMeanings = {
    // money
    Meaning{"COST1", Shown::Money},
    Meaning{"COST2", Shown::Money},
    Meaning{"SXF", Shown::Money},
    Meaning{"YHS", Shown::Money},
    Meaning{"INCOME", Shown::Money},
    Meaning{"INPUT", Shown::Money},
    Meaning{"FUND", Shown::Money},
    Meaning{"DMONEY", Shown::Money},
    Meaning{"成本", Shown::Money},
    Meaning{"市值", Shown::Money},
    Meaning{"价值1", Shown::Money},
    Meaning{"价值2", Shown::Money},
    Meaning{"手续费", Shown::Money},
    Meaning{"印花税", Shown::Money},
    Meaning{"增值", Shown::Money},
    Meaning{"交易费", Shown::Money},
    Meaning{"折扣价值", Shown::Money},
    Meaning{"成交金额", Shown::Money},
    // prices and index values
    Meaning{"PRICE", Shown::Price},
    Meaning{"PRICE1", Shown::Price},
    Meaning{"PRICE2", Shown::Price},
    Meaning{"L_PRICE", Shown::Price},
    Meaning{"SZ", Shown::Price},
    Meaning{"SHZ", Shown::Price},
    Meaning{"价格", Shown::Price},
    Meaning{"价格1", Shown::Price},
    Meaning{"价格2", Shown::Price},
    Meaning{"成本价", Shown::Price},
    Meaning{"当前价", Shown::Price},
    Meaning{"均价1", Shown::Price},
    Meaning{"均价2", Shown::Price},
    Meaning{"成交价", Shown::Price},
    // quantities (AMT is money on cash rows: two decimals cover both)
    Meaning{"AMT", Shown::Quantity},
    Meaning{"UNIT", Shown::Quantity},
    Meaning{"数量", Shown::Quantity},
    // rates and percentages
    Meaning{"BIRATE", Shown::Rate},
    Meaning{"ZK_RATE", Shown::Rate},
    Meaning{"SXF_RATE", Shown::Rate},
    Meaning{"YHS_RATE", Shown::Rate},
    Meaning{"BZJ_RATE", Shown::Rate},
    Meaning{"RATE", Shown::Rate},
    Meaning{"INC", Shown::Rate},
    Meaning{"PER", Shown::Rate},
    Meaning{"增值率", Shown::Rate},
    Meaning{"比例", Shown::Rate},
    Meaning{"投资比例", Shown::Rate},
    Meaning{"货币比率", Shown::Rate},
    Meaning{"折扣率", Shown::Rate},
    Meaning{"市值百分比", Shown::Rate},
    Meaning{"折扣百分比", Shown::Rate},
};

// Fixed decimals, then trailing zeros (and a bare point) dropped when `trim`.
std::string fixed(double v, int decimals, bool trim) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (trim && s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  // A tiny negative rounds to "-0.00": it is nothing.
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace

Shown shown_as(std::string_view name) {
  for (const Meaning& m : kMeanings)
    if (same_name(m.name, name)) return m.shown;
  return Shown::Plain;
}

std::string shown_number(double value, Shown how) {
  if (!std::isfinite(value)) return format_number(value);
  switch (how) {
    case Shown::Money:
      return fixed(value, 2, false);
    case Shown::Price:
    case Shown::Plain:
      return fixed(value, 4, true);
    case Shown::Quantity:
      return fixed(value, 2, true);
    case Shown::Rate:
      return fixed(value, 6, true);
  }
  return format_number(value);
}

std::string shown_value(const Value& value, std::string_view name) {
  switch (value.kind()) {
    case Value::Kind::Number:
      return shown_number(value.num(), shown_as(name));
    case Value::Kind::Boolean:
      return value.as_bool() ? "是" : "否";
    default:
      return value.as_string();
  }
}

std::string edited_value(const Value& value) {
  if (value.kind() == Value::Kind::Boolean) return value.as_bool() ? "是" : "否";
  return value.as_string();
}

}  // namespace vmx::store
