#pragma once

namespace vantora {

// What the station learns about the screen once at start. Bitmaps take their
// device format from the depth (>= 24: 32 bits per pixel, 16: 16 bits,
// <= 8: 8 bits with a palette) and fonts convert points with the dpi.
struct ScreenFacts {
  int depth = 24;
  int dpi = 96;
};

const ScreenFacts& Screen();
void SetScreenFacts(const ScreenFacts& facts);

}  // namespace vantora
