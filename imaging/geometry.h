#pragma once

namespace vantora {

// A rectangle in the half-open convention of the drawing calls: pixels with
// Left <= x < Right and Top <= y < Bottom.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }

// pfDevice is only ever requested; PixelFormat() reports the format a bitmap
// really holds (pf32bit, pf16bit or pf8bit for the screen's own format).
enum class TPixelFormat { pfDevice, pf8bit, pf16bit, pf24bit, pf32bit };

}  // namespace vantora
