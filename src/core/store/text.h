#pragma once

#include <string>
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

// The text with A to Z made lower case and every other byte (GBK and UTF-8
// included) kept: how file names and codes are compared without regard to case.
inline std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace vmx::store
