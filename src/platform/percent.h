// Rounding a share to whole units the way every percentage and size the program shows does:
// to the nearest, a half to the even neighbour, exactly in integers.
#pragma once

#include <cstdint>

namespace qm {

// `dividend` / `divisor` rounded to the nearest whole number, a half to the even neighbour.
// `divisor` must be positive.
constexpr int64_t DivideHalfEven(__int128 dividend, int64_t divisor) {
  int64_t q = static_cast<int64_t>(dividend / divisor);
  const __int128 twice_rest = (dividend % divisor) * 2;
  if (twice_rest > divisor || (twice_rest == divisor && (q % 2) != 0)) ++q;
  return q;
}

// `part` of `whole` in whole percent, a half to the even neighbour; 0 when `whole` is not
// positive. The product is taken in 128 bits, so it is exact for any 64-bit sizes.
constexpr int64_t HalfEvenPercent(int64_t part, int64_t whole) {
  return whole <= 0 ? 0 : DivideHalfEven(static_cast<__int128>(part) * 100, whole);
}

}  // namespace qm
