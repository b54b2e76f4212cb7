#pragma once

#include <string_view>

namespace vmx::store {

// A typed text without the blanks around it (spaces, tabs, line ends): what
// the boxes and mapping lines mean.
inline std::string_view trim_blanks(std::string_view s) {
  constexpr std::string_view kBlank = " \t\r\n";
  const size_t b = s.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlank) - b + 1);
}

// A stored text field without its padding: trailing spaces (dBase) or NULs.
inline std::string_view trim_padding(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

}  // namespace vmx::store
