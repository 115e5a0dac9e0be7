#include "imaging/font.h"

#include <climits>
#include <cstdlib>

#include "imaging/screen.h"

namespace vantora {

int MulDiv(int n, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(n) * numerator;
  long long quotient = product / denominator;
  const long long remainder = product % denominator;
  // Round half away from zero: compare twice the remainder with the divisor.
  if (std::llabs(remainder) * 2 >= std::llabs(static_cast<long long>(denominator)))
    quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  if (quotient > INT_MAX || quotient < INT_MIN) return -1;
  return static_cast<int>(quotient);
}

TFont::TFont() : height_(MulDiv(8, Screen().dpi, 72)) {}

int TFont::Size() const { return MulDiv(height_, 72, Screen().dpi); }

void TFont::SetSize(int points) { height_ = MulDiv(points, Screen().dpi, 72); }

}  // namespace vantora
