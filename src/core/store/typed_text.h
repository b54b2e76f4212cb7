#pragma once

#include <string>
#include <string_view>

namespace vmx::store {

// What the program says when a typed text does not convert: the text as typed,
// in Chinese quotes, and what it should have been. Every box and grid that
// converts a typed text says it in these words.
inline std::string not_a_number(std::string_view typed) {
  return "“" + std::string(typed) + "”不是有效的数值";
}
inline std::string not_a_whole_number(std::string_view typed) {
  return "“" + std::string(typed) + "”不是有效的整数";
}
inline std::string number_out_of_range(std::string_view typed) {
  return "“" + std::string(typed) + "”超出数值范围";
}
inline std::string not_a_date(std::string_view typed) {
  return "“" + std::string(typed) + "”不是有效的日期 (年-月-日)";
}

}  // namespace vmx::store
