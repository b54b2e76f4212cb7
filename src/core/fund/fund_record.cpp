#include "core/fund/fund_record.h"

#include "core/store/text.h"

namespace vmx::fund {

FundRowKind classify(std::string_view pycode) {
  const std::string_view c = store::trim_blanks(pycode);
  if (c == kMarketCode) return FundRowKind::Market;
  if (c == kManagerCode) return FundRowKind::Manager;
  if (!c.empty() && c[0] == '$') return FundRowKind::Account;
  if (!c.empty() && ((c[0] >= 'a' && c[0] <= 'z') || (c[0] >= 'A' && c[0] <= 'Z')))
    return FundRowKind::Investor;
  return FundRowKind::Other;
}

bool is_reported(std::string_view pycode) {
  return pycode != kMarketCode && !(pycode > "$" && pycode < "$zzzzzz");
}

bool is_matchable_withdrawal(std::string_view pycode) {
  const FundRowKind k = classify(pycode);
  return k != FundRowKind::Market && k != FundRowKind::Manager && k != FundRowKind::Account;
}

std::string type_code(std::string_view xabc) {
  std::string s(store::trim_blanks(xabc));
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

bool date_in_range(Date d) {
  static const Date lo = Date::from_ymd(1960, 1, 1), hi = Date::from_ymd(2050, 1, 1);
  return d >= lo && d <= hi;
}

}  // namespace vmx::fund
