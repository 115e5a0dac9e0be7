#pragma once

#include <cstdint>

namespace vantora {

enum class TBrushStyle { bsSolid, bsClear };

// The colour and style that fills rectangles and text backgrounds.
class TBrush {
 public:
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t rgb) { color_ = rgb & 0xFFFFFF; }
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style) { style_ = style; }

 private:
  std::uint32_t color_ = 0xFFFFFF;  // white
  TBrushStyle style_ = TBrushStyle::bsSolid;
};

}  // namespace vantora
