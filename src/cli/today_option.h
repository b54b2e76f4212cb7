#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/platform/clock.h"

namespace vmx::cli {

// The option --today YYYY-MM-DD of every command that reads today's date: a
// clock standing at noon of that day; without it the machine's clock.
class TodayOption {
 public:
  // When args[i] is "--today", takes it and its value (i moves onto the value)
  // and returns true; `problem` is set when the value is missing or no date.
  bool take(const std::vector<std::string>& args, size_t& i, std::string& problem);
  platform::Clock& clock();
  Date today() { return clock().today(); }

 private:
  std::optional<platform::FixedClock> m_fixed;
};

inline constexpr const char* kTodayUsage = "[--today YYYY-MM-DD]";

}  // namespace vmx::cli
