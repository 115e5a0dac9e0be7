#pragma once

#include "imaging/rounding.h"

namespace vantora {

// The portrait's fixed proportion (width : height) and the band printed along its bottom.
inline constexpr int kPortraitWidth = 228;
inline constexpr int kPortraitHeight = 303;
inline constexpr int kBandHeight = 35;
inline constexpr int kBandFontSize = 24;

// Where the portrait lies in a frame of W2 x H2: its size and the first frame
// column it takes. The quotient is formed from the exact product H2 x 228.
struct PortraitGeometry {
  int width = 0;
  int height = 0;
  int sourceColumn = 0;
};
PortraitGeometry PortraitGeometryFor(int frameWidth, int frameHeight);

// A frame is refused only when it is below both limits: 320x240 still passes.
bool FrameTooSmallForPortrait(int frameWidth, int frameHeight);

// Width of the saved photo, which is always 303 rows high.
int SavedPhotoWidth(int photoWidth, int photoHeight);

}  // namespace vantora
