#include "cli/today_option.h"

namespace vmx::cli {

bool TodayOption::take(const std::vector<std::string>& args, size_t& i, std::string& problem) {
  if (args[i] != "--today") return false;
  if (i + 1 >= args.size()) {
    problem = "--today needs a date YYYY-MM-DD";
    return true;
  }
  const std::string& text = args[++i];
  const auto d = Date::parse(text);
  if (!d || text.size() != 10) {
    problem = "--today needs a date YYYY-MM-DD, not '" + text + "'";
    return true;
  }
  m_fixed.emplace(platform::DateTime{*d, 12, 0, 0, 0});
  return true;
}

platform::Clock& TodayOption::clock() {
  if (m_fixed) return *m_fixed;
  return platform::system_clock();
}

}  // namespace vmx::cli
