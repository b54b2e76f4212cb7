#pragma once

#include <string>
#include <string_view>

#include "core/store/value.h"

namespace vmx::store {

// How a number reads on screen, in every grid and label. The stored value
// keeps all its digits (an editor opened on a cell shows them); what is shown
// is rounded for a bookkeeper's eye.
enum class Shown {
  Money,     // two decimals: 1530.64, 0.00
  Price,     // at most four decimals, trailing zeros dropped: 10.5, 12.3456
  Quantity,  // a whole number, or at most two decimals when it has a fraction
  Rate,      // rates and percentages: at most six decimals, trailing zeros dropped
  Plain,     // any other number: at most four decimals, trailing zeros dropped
};

// What a field or a query column holds, by its name (a field name such as
// "COST2" or "Zk_rate", or a column title of the holdings lists such as
// "市值"), without regard to case.
Shown shown_as(std::string_view name);

// The number as shown. Never an exponent for the sizes money takes; no "-0".
std::string shown_number(double value, Shown how);

// A cell's value as a grid shows it: numbers by shown_as(name), logical
// values 是/否, the rest as the value's own text.
std::string shown_value(const Value& value, std::string_view name);

// A cell's value as its editor opens on it: every stored digit, logical
// values 是/否.
std::string edited_value(const Value& value);

}  // namespace vmx::store
