// Conversions of doubles with the results the game's arithmetic had on x86.
#pragma once
#include <climits>
#include <cmath>

namespace plat {
// Truncation toward zero; NaN and values out of the int range give INT_MIN,
// as the x86 conversion instruction does.
inline int TruncToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT_MIN;
  return static_cast<int>(v);
}
}  // namespace plat
