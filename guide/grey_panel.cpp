#include "guide/grey_panel.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

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

// `rowOf(y)` gives a reader of source row y: `reader(x)` is that pixel's
// luma. Each panel pixel is the mean over its span; a row's reader is made
// once, so the inner loop is a load and an add.
template <class RowOf>
TGreyPanel Average(int column, int width, int height, RowOf rowOf) {
  const Spans<kPanelWidth> xs(column, width);
  const Spans<kPanelHeight> ys(0, height);
  std::array<int, kPanelWidth> xBegin{}, xEnd{};
  for (int px = 0; px < kPanelWidth; ++px) xBegin[px] = xs.Begin(px), xEnd[px] = xs.End(px);
  TGreyPanel panel;
  std::array<unsigned, kPanelWidth> sums{};
  for (int py = 0; py < kPanelHeight; ++py) {
    sums.fill(0);
    for (int y = ys.Begin(py); y < ys.End(py); ++y) {
      const auto luma = rowOf(y);
      for (int px = 0; px < kPanelWidth; ++px) {
        unsigned sum = 0;
        for (int x = xBegin[px]; x < xEnd[px]; ++x) sum += luma(x);
        sums[px] += sum;
      }
    }
    const unsigned rows = static_cast<unsigned>(ys.End(py) - ys.Begin(py));
    for (int px = 0; px < kPanelWidth; ++px) {
      const unsigned count = rows * static_cast<unsigned>(xEnd[px] - xBegin[px]);
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
  // Row y of a component: its samples `pixelStride` bytes apart.
  const auto rowOf = [](const capture::MappedFrame::Component& c, int y) {
    return std::pair{c.data + static_cast<std::ptrdiff_t>(y) * c.rowStride, static_cast<std::ptrdiff_t>(c.pixelStride)};
  };
  if (!mapped.IsRgb()) {
    const auto luma = mapped.Component8(0);
    if (!luma) return std::nullopt;
    TGreyPanel panel = Average(column, width, mapped.Height(), [&](int y) {
      const auto [row, step] = rowOf(*luma, y);
      return [row, step](int x) -> unsigned { return row[x * step]; };
    });
    if (frame.info.colorimetry.range == GST_VIDEO_COLOR_RANGE_16_235) panel = SpreadVideoRange(std::move(panel));
    return panel;
  }
  const auto r = mapped.Component8(0), g = mapped.Component8(1), b = mapped.Component8(2);
  if (!r || !g || !b) return std::nullopt;
  return Average(column, width, mapped.Height(), [&](int y) {
    const auto [rr, rs] = rowOf(*r, y);
    const auto [gr, gs] = rowOf(*g, y);
    const auto [br, bs] = rowOf(*b, y);
    return [=](int x) { return LumaOf(rr[x * rs], gr[x * gs], br[x * bs]); };
  });
}

std::optional<TGreyPanel> GreyPanelOfBitmap(const TBitmap& bitmap, int column, int width) {
  if (!StripFits(column, width, bitmap.Width(), bitmap.Height())) return std::nullopt;
  if (bitmap.PixelFormat() == TPixelFormat::pf24bit) {
    return Average(column, width, bitmap.Height(), [&](int y) {
      const std::uint8_t* row = bitmap.ScanLine(y);
      return [row](int x) {
        const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 3;
        return LumaOf(p[2], p[1], p[0]);
      };
    });
  }
  return Average(column, width, bitmap.Height(), [&](int y) {
    return [&bitmap, y](int x) {
      const std::uint32_t rgb = bitmap.PixelRGB(x, y);
      return LumaOf((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    };
  });
}

}  // namespace vantora::guide
