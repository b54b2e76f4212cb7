#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vmx::store {

// The two conversions to whole numbers that the stored ledgers' arithmetic
// was done with; every computed amount, rate and percentage goes through one
// of them so files written by this program match the ones users already have.

// Nearest whole number, a half going to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). The result keeps the argument's type so a caller can
// go on in the same precision ("Round(x * 100) * 0.01"); NaN and infinities
// come back unchanged.
template <typename F>
F round_half_even_t(F x) {
  if (!std::isfinite(x)) return x;
  const F lower = std::floor(x);
  const F diff = x - lower;
  if (diff < F(0.5)) return lower;
  if (diff > F(0.5)) return lower + 1;
  return std::fmod(lower, F(2)) == 0 ? lower : lower + 1;
}
inline double round_half_even(double x) { return round_half_even_t(x); }
inline long double round_half_even(long double x) { return round_half_even_t(x); }

// Toward zero, as a whole number (2.9 -> 2, -2.9 -> -2). Never fails: NaN
// gives 0 and values beyond the 64-bit range give its nearest end.
inline int64_t trunc(long double x) {
  if (std::isnan(x)) return 0;
  constexpr long double kMax = 9223372036854775807.0L;
  if (x >= kMax) return std::numeric_limits<int64_t>::max();
  if (x <= -kMax - 1) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

}  // namespace vmx::store
