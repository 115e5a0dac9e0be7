#include "app/photo_geometry.h"

#include <cstdint>
#include <stdexcept>

namespace vantora {

PortraitGeometry PortraitGeometryFor(int frameWidth, int frameHeight) {
  const long double strip =
      static_cast<long double>(std::int64_t{frameHeight} * kPortraitWidth) / kPortraitHeight;
  PortraitGeometry g;
  g.height = frameHeight;
  g.width = static_cast<int>(RoundHalfEven(strip));
  g.sourceColumn = static_cast<int>(RoundHalfEven((frameWidth - strip) / 2));
  return g;
}

bool FrameTooSmallForPortrait(int frameWidth, int frameHeight) {
  return frameHeight < kPortraitHeight && frameWidth < kPortraitWidth;
}

int SavedPhotoWidth(int photoWidth, int photoHeight) {
  if (photoHeight <= 0) throw std::range_error("Division by zero");
  return static_cast<int>(RoundHalfEven(
      static_cast<long double>(std::int64_t{photoWidth} * kPortraitHeight) / photoHeight));
}

}  // namespace vantora
