#pragma once
// The part of a frame the portrait is cut from, as the detector reads it: the
// luma only, averaged down (or repeated up) to the panel's 228x303. Only the
// strip's pixels are read, and of a YUV frame only its Y samples, so no frame
// is converted whole.
#include <cstdint>
#include <optional>
#include <vector>

#include "capture/platform/video_frame.h"
#include "guide/face_rule.h"

namespace vantora {
class TBitmap;
}

namespace vantora::guide {

// Rows top-down, kPanelWidth bytes each.
struct TGreyPanel {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kPanelWidth * kPanelHeight);
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * kPanelWidth + x]; }
};

// The strip of `width` columns from `column`, over the frame's full height.
// None when the frame cannot be read or the strip lies outside it.
std::optional<TGreyPanel> GreyPanelOfFrame(const capture::FrameSnapshot& frame, int column, int width);
std::optional<TGreyPanel> GreyPanelOfBitmap(const TBitmap& bitmap, int column, int width);

}  // namespace vantora::guide
