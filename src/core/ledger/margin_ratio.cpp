#include "core/ledger/margin_ratio.h"

#include <cmath>
#include <cstdio>

#include "core/ledger/new_account.h"
#include "core/store/error.h"

namespace vmx::ledger {

double margin_ratio(int64_t margin_per_lot, int64_t units_per_lot, int64_t market_price) {
  if (margin_per_lot < 0 || units_per_lot < 0 || market_price < 0)
    throw store::Error(kNegativeInput);
  if (units_per_lot == 0) throw store::Error(kZeroUnits);
  if (market_price == 0) throw store::Error(kZeroPrice);
  return (static_cast<double>(margin_per_lot) / static_cast<double>(units_per_lot)) /
         static_cast<double>(market_price);
}

std::string margin_ratio_text(double ratio) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", ratio);
  const std::string general = buf;
  // Cutting "2.33333333333333e-05" to "2.333" would store a ratio 100,000
  // times too large; so would cutting an integer part.
  const bool exponent = general.find_first_of("eE") != std::string::npos;
  const size_t point = general.find('.');
  const size_t int_digits = point == std::string::npos ? general.size() : point;
  if (exponent || int_digits > 5) return general;
  std::string cut = general.substr(0, 5);
  if (!cut.empty() && cut.back() == '.') cut.pop_back();
  return cut;
}

double read_margin_ratio(const std::string& text) {
  // The same reading as a typed cash amount, except that blank is no ratio.
  const bool blank = text.find_first_not_of(" \t") == std::string::npos;
  const std::optional<double> d = blank ? std::nullopt : read_cash_amount(text);
  if (!d) throw store::ConversionError(std::string(kBadRatio) + "\"" + text + "\"");
  return *d;
}

void store_margin_ratio(store::Cursor& types, const std::string& text) {
  const double ratio = read_margin_ratio(text);
  if (!types.active() || types.empty())
    throw store::Error(types.file_name() + ": 没有当前的证券类型，保证金比率没有保存。");
  types.edit();
  try {
    types.set_double("Bzj_rate", ratio);
    types.post();
  } catch (...) {
    types.cancel();
    throw;
  }
}

std::string current_type_caption(store::Cursor& types) {
  if (!types.active() || types.empty()) return {};
  return types.get_string("Lxm") + types.get_string("Lx");
}

}  // namespace vmx::ledger
