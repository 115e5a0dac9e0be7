#include "app/photo_geometry.h"

#include <cstdint>

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
  return WidthAtHeight(photoWidth, photoHeight, kPortraitHeight);
}

}  // namespace vantora
