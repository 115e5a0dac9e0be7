#include "guide/grey_panel.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "imaging/bitmap.h"

namespace vantora::guide {
namespace {

// The source span of each panel pixel along one axis: [first[i], first[i+1]),
// at least one source pixel wide, so a strip smaller than the panel repeats.
template <int N>
struct Spans {
  std::array<int, N + 1> first{};
  Spans(int origin, int length) {
    for (int i = 0; i <= N; ++i) first[i] = origin + static_cast<int>(static_cast<long long>(i) * length / N);
  }
  int Begin(int i) const { return first[i]; }
  int End(int i) const { return first[i + 1] > first[i] ? first[i + 1] : first[i] + 1; }
};

// `luma(x, y)` reads one source pixel's luma; each panel pixel is the mean
// over its span.
template <class Luma>
TGreyPanel Average(int column, int width, int height, Luma luma) {
  const Spans<kPanelWidth> xs(column, width);
  const Spans<kPanelHeight> ys(0, height);
  TGreyPanel panel;
  std::array<unsigned, kPanelWidth> sums{};
  for (int py = 0; py < kPanelHeight; ++py) {
    sums.fill(0);
    for (int y = ys.Begin(py); y < ys.End(py); ++y) {
      for (int px = 0; px < kPanelWidth; ++px) {
        for (int x = xs.Begin(px); x < xs.End(px); ++x) sums[px] += luma(x, y);
      }
    }
    const unsigned rows = static_cast<unsigned>(ys.End(py) - ys.Begin(py));
    for (int px = 0; px < kPanelWidth; ++px) {
      const unsigned count = rows * static_cast<unsigned>(xs.End(px) - xs.Begin(px));
      panel.pixels[static_cast<std::size_t>(py) * kPanelWidth + px] = static_cast<std::uint8_t>(sums[px] / count);
    }
  }
  return panel;
}

// BT.601 weights in eighths of 256, as video luma is formed.
inline unsigned LumaOf(unsigned r, unsigned g, unsigned b) { return (77 * r + 150 * g + 29 * b) >> 8; }

// Most cameras' YUV keeps its luma between 16 and 235, where the BGR the
// frame turns into at "拍照" spans 0 to 255. Spread to the full range, so a
// frame gives the same panel live as its bitmap does at "拍照".
TGreyPanel SpreadVideoRange(TGreyPanel panel) {
  for (std::uint8_t& v : panel.pixels) {
    const int above = v > 16 ? v - 16 : 0;
    v = static_cast<std::uint8_t>(std::min(255, (above * 255 + 109) / 219));
  }
  return panel;
}

bool StripFits(int column, int width, int frameWidth, int frameHeight) {
  return frameHeight > 0 && width > 0 && column >= 0 && column + width <= frameWidth;
}

}  // namespace

std::optional<TGreyPanel> GreyPanelOfFrame(const capture::FrameSnapshot& frame, int column, int width) {
  const capture::MappedFrame mapped(frame);
  if (!mapped.Valid() || !StripFits(column, width, mapped.Width(), mapped.Height())) return std::nullopt;
  const auto at = [](const capture::MappedFrame::Component& c, int x, int y) {
    return c.data[static_cast<std::ptrdiff_t>(y) * c.rowStride + static_cast<std::ptrdiff_t>(x) * c.pixelStride];
  };
  if (!mapped.IsRgb()) {
    const auto luma = mapped.Component8(0);
    if (!luma) return std::nullopt;
    TGreyPanel panel =
        Average(column, width, mapped.Height(), [&](int x, int y) -> unsigned { return at(*luma, x, y); });
    if (frame.info.colorimetry.range == GST_VIDEO_COLOR_RANGE_16_235) panel = SpreadVideoRange(std::move(panel));
    return panel;
  }
  const auto r = mapped.Component8(0), g = mapped.Component8(1), b = mapped.Component8(2);
  if (!r || !g || !b) return std::nullopt;
  return Average(column, width, mapped.Height(),
                 [&](int x, int y) { return LumaOf(at(*r, x, y), at(*g, x, y), at(*b, x, y)); });
}

std::optional<TGreyPanel> GreyPanelOfBitmap(const TBitmap& bitmap, int column, int width) {
  if (!StripFits(column, width, bitmap.Width(), bitmap.Height())) return std::nullopt;
  if (bitmap.PixelFormat() == TPixelFormat::pf24bit) {
    // Average reads a source row whole before the next: its start is looked
    // up once a row, not once a pixel (the check runs on the GUI thread).
    const std::uint8_t* row = nullptr;
    int rowY = -1;
    return Average(column, width, bitmap.Height(), [&](int x, int y) {
      if (y != rowY) row = bitmap.ScanLine(rowY = y);
      const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 3;
      return LumaOf(p[2], p[1], p[0]);
    });
  }
  return Average(column, width, bitmap.Height(), [&](int x, int y) {
    const std::uint32_t rgb = bitmap.PixelRGB(x, y);
    return LumaOf((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  });
}

}  // namespace vantora::guide
