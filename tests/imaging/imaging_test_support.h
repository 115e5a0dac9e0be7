#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/graphics.h"

namespace vantora::testing {

inline std::string TestData(const std::string& name) {
  const char* dir = std::getenv("VANTORA_TESTDATA");
  return std::string(dir && *dir ? dir : VANTORA_TESTDATA_DIR) + "/" + name;
}

// Sets the screen facts for one test and puts the previous ones back.
class ScopedScreen {
 public:
  explicit ScopedScreen(ScreenFacts facts) : saved_(Screen()) { SetScreenFacts(facts); }
  ~ScopedScreen() { SetScreenFacts(saved_); }
  ScopedScreen(const ScopedScreen&) = delete;
  ScopedScreen& operator=(const ScopedScreen&) = delete;

 private:
  ScreenFacts saved_;
};

inline void FillSolid(TBitmap& bitmap, std::uint32_t rgb) {
  TCanvas& canvas = bitmap.Canvas();
  const std::uint32_t saved = canvas.Brush().Color();
  canvas.Brush().SetColor(rgb);
  canvas.FillRect(canvas.ClipRect());
  canvas.Brush().SetColor(saved);
}

inline TBitmap SolidBitmap(int width, int height, std::uint32_t rgb, TPixelFormat format = TPixelFormat::pfDevice) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetHeight(height);
  bitmap.SetWidth(width);
  FillSolid(bitmap, rgb);
  return bitmap;
}

// True when every pixel of the rectangle has the colour.
inline bool AllPixels(const TBitmap& bitmap, const TRect& r, std::uint32_t rgb) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (bitmap.PixelRGB(x, y) != rgb) return false;
  return true;
}

}  // namespace vantora::testing
