#pragma once

#include <cmath>
#include <stdexcept>

namespace vantora {

// Nearest integer, exact halves to the even neighbour, from an
// extended-precision value. Every geometric figure of the station (the
// portrait's cut, the saved width, the preview's layout) rounds this way,
// so a 405-wide frame cuts from column 88 (88.5) and a 720x480 preview is
// 454 wide (454.5). nearbyint follows the rounding mode, which the station
// never moves from round-to-nearest-even.
inline long RoundHalfEven(long double value) {
  if (!std::isfinite(value)) throw std::range_error("Invalid floating point operation");
  return std::lround(std::nearbyintl(value));
}

// The width that keeps a width x height picture's proportion at
// `targetHeight` rows, from the exact integer product: the saved photo and
// the batch rescale both bring a picture to 303 rows this way.
inline int WidthAtHeight(int width, int height, int targetHeight) {
  if (height <= 0) throw std::range_error("Division by zero");
  return static_cast<int>(
      RoundHalfEven(static_cast<long double>(static_cast<long long>(width) * targetHeight) / height));
}

}  // namespace vantora
