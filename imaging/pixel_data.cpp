#include "imaging/pixel_data.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/graphics_errors.h"

namespace vantora {

int BitsPerPixel(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::kBgrx32: return 32;
    case PixelLayout::kRgb565: return 16;
    case PixelLayout::kBgr24: return 24;
    case PixelLayout::kHalftone8:
    case PixelLayout::kIndexed8: return 8;
  }
  return 24;
}

bool IsBottomUp(PixelLayout layout) {
  return layout == PixelLayout::kBgr24 || layout == PixelLayout::kIndexed8;
}

int RowBytes(PixelLayout layout, int width) {
  const long long bits = static_cast<long long>(width) * BitsPerPixel(layout);
  return static_cast<int>(((bits + 31) / 32) * 4);
}

std::shared_ptr<PixelData> AllocatePixels(PixelLayout layout, int width, int height, bool zeroed) {
  if (width < 0 || height < 0) throw EInvalidGraphic();
  if (width > kMaxBitmapDimension || height > kMaxBitmapDimension) throw EOutOfResources();
  const std::size_t stride = static_cast<std::size_t>(RowBytes(layout, width));
  if (height != 0 && stride > kMaxPixelBytes / static_cast<std::size_t>(height)) throw EOutOfResources();
  try {
    auto data = std::make_shared<PixelData>();
    data->layout = layout;
    data->width = width;
    data->height = height;
    data->stride = static_cast<int>(stride);
    data->bytes.resize(stride * static_cast<std::size_t>(height));
    if (zeroed && !data->bytes.empty()) std::memset(data->bytes.data(), 0, data->bytes.size());
    return data;
  } catch (const std::bad_alloc&) {
    throw EOutOfResources();
  }
}

const std::vector<Rgb>& HalftonePalette() {
  static const std::vector<Rgb> palette = [] {
    std::vector<Rgb> p;
    p.reserve(256);
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) p.push_back(MakeRgb(r * 51, g * 51, b * 51));
    for (int k = 1; k <= 40; ++k) {
      const int v = k * 255 / 41;
      p.push_back(MakeRgb(v, v, v));
    }
    return p;
  }();
  return palette;
}

namespace {

int ColourDistance(Rgb a, Rgb b) {
  const int dr = RedOf(a) - RedOf(b), dg = GreenOf(a) - GreenOf(b), db = BlueOf(a) - BlueOf(b);
  return dr * dr + dg * dg + db * db;
}

std::uint8_t NearestIndex(const std::vector<Rgb>& palette, Rgb colour) {
  int best = 0, bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < palette.size() && bestDistance != 0; ++i) {
    const int d = ColourDistance(palette[i], colour);
    if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
  }
  return static_cast<std::uint8_t>(best);
}

std::uint8_t HalftoneIndex(Rgb colour) {
  const int r = (RedOf(colour) + 25) / 51, g = (GreenOf(colour) + 25) / 51, b = (BlueOf(colour) + 25) / 51;
  const int cube = r * 36 + g * 6 + b;
  if (RedOf(colour) != GreenOf(colour) || GreenOf(colour) != BlueOf(colour)) return static_cast<std::uint8_t>(cube);
  // Greys also have the finer ramp after the cube.
  const auto& palette = HalftonePalette();
  int best = cube, bestDistance = ColourDistance(palette[static_cast<std::size_t>(cube)], colour);
  for (int i = 216; i < 256; ++i) {
    const int d = ColourDistance(palette[static_cast<std::size_t>(i)], colour);
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return static_cast<std::uint8_t>(best);
}

std::uint16_t To565(Rgb c) {
  return static_cast<std::uint16_t>(((RedOf(c) >> 3) << 11) | ((GreenOf(c) >> 2) << 5) | (BlueOf(c) >> 3));
}

Rgb From565(std::uint16_t v) {
  const int r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
  return MakeRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

const std::vector<Rgb>& PaletteOf(const PixelData& data) {
  return data.layout == PixelLayout::kHalftone8 ? HalftonePalette() : data.palette;
}

bool SameEncoding(const PixelData& a, const PixelData& b) {
  if (a.layout != b.layout) {
    // The two true-colour layouts differ only in width and row order.
    return false;
  }
  return a.layout != PixelLayout::kIndexed8 || a.palette == b.palette;
}

int BytesPerPixel(PixelLayout layout) { return BitsPerPixel(layout) / 8; }

// Writes n three-byte pixels (source(i) gives pixel i in its low three
// bytes). Two pixels go out as one eight-byte store whose two spare bytes
// the next store overwrites: far fewer stores than byte by byte, and
// nothing is written past the last pixel.
template <typename SourceOf>
inline void StoreTriples(std::uint8_t* d, int n, SourceOf source) {
  int i = 0;
  for (; i + 3 <= n; i += 2, d += 6) {
    const std::uint64_t pair = (static_cast<std::uint64_t>(source(i)) & 0xFFFFFF) |
                               (static_cast<std::uint64_t>(source(i + 1) & 0xFFFFFF) << 24);
    std::memcpy(d, &pair, 8);
  }
  for (; i < n; ++i, d += 3) {
    const std::uint32_t v = source(i);
    d[0] = static_cast<std::uint8_t>(v), d[1] = static_cast<std::uint8_t>(v >> 8), d[2] = static_cast<std::uint8_t>(v >> 16);
  }
}

inline std::uint32_t LoadWord(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline std::uint32_t LoadTriple(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16);
}

// Widens n three-byte pixels to four bytes each, the fourth zero, in one
// pass: four pixels are read as three words and written as four, so the
// loop does word loads and stores instead of byte moves, and reads nothing
// past the source's last pixel.
inline void ExpandTriples(std::uint8_t* d, const std::uint8_t* s, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 12, d += 16) {
    std::uint32_t w[3];
    std::memcpy(w, s, 12);
    const std::uint32_t out[4] = {w[0] & 0xFFFFFF, (w[0] >> 24) | ((w[1] & 0xFFFF) << 8),
                                  (w[1] >> 16) | ((w[2] & 0xFF) << 16), w[2] >> 8};
    std::memcpy(d, out, 16);
  }
  for (; i < n; ++i, s += 3, d += 4) {
    const std::uint32_t v = LoadTriple(s);
    std::memcpy(d, &v, 4);
  }
}

}  // namespace

void ReadRow(const PixelData& data, int y, int x, int n, Rgb* out) {
  const std::uint8_t* p = data.Row(y);
  switch (data.layout) {
    case PixelLayout::kBgrx32:
      p += static_cast<std::size_t>(x) * 4;
      for (int i = 0; i < n; ++i, p += 4) out[i] = MakeRgb(p[2], p[1], p[0]);
      break;
    case PixelLayout::kBgr24:
      p += static_cast<std::size_t>(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) out[i] = MakeRgb(p[2], p[1], p[0]);
      break;
    case PixelLayout::kRgb565:
      p += static_cast<std::size_t>(x) * 2;
      for (int i = 0; i < n; ++i, p += 2) out[i] = From565(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
      break;
    case PixelLayout::kHalftone8:
    case PixelLayout::kIndexed8: {
      const auto& palette = PaletteOf(data);
      p += x;
      for (int i = 0; i < n; ++i) out[i] = p[i] < palette.size() ? palette[p[i]] : 0;
      break;
    }
  }
}

void WriteRow(PixelData& data, int y, int x, int n, const Rgb* in) {
  std::uint8_t* p = data.Row(y);
  switch (data.layout) {
    case PixelLayout::kBgrx32:
      p += static_cast<std::size_t>(x) * 4;
      for (int i = 0; i < n; ++i, p += 4) {
        p[0] = static_cast<std::uint8_t>(BlueOf(in[i]));
        p[1] = static_cast<std::uint8_t>(GreenOf(in[i]));
        p[2] = static_cast<std::uint8_t>(RedOf(in[i]));
        p[3] = 0;
      }
      break;
    case PixelLayout::kBgr24:
      p += static_cast<std::size_t>(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = static_cast<std::uint8_t>(BlueOf(in[i]));
        p[1] = static_cast<std::uint8_t>(GreenOf(in[i]));
        p[2] = static_cast<std::uint8_t>(RedOf(in[i]));
      }
      break;
    case PixelLayout::kRgb565:
      p += static_cast<std::size_t>(x) * 2;
      for (int i = 0; i < n; ++i, p += 2) {
        const std::uint16_t v = To565(in[i]);
        p[0] = static_cast<std::uint8_t>(v & 0xFF);
        p[1] = static_cast<std::uint8_t>(v >> 8);
      }
      break;
    case PixelLayout::kHalftone8:
      p += x;
      for (int i = 0; i < n; ++i) p[i] = HalftoneIndex(in[i]);
      break;
    case PixelLayout::kIndexed8: {
      p += x;
      Rgb last = 0;
      std::uint8_t lastIndex = 0;
      bool haveLast = false;
      for (int i = 0; i < n; ++i) {
        if (!haveLast || in[i] != last) {
          last = in[i], lastIndex = NearestIndex(data.palette, in[i]), haveLast = true;
        }
        p[i] = lastIndex;
      }
      break;
    }
  }
}

Rgb ReadPixel(const PixelData& data, int x, int y) {
  Rgb c = 0;
  ReadRow(data, y, x, 1, &c);
  return c;
}

void FillPixels(PixelData& data, int x0, int y0, int x1, int y1, Rgb colour) {
  if (x0 >= x1 || y0 >= y1) return;
  const int n = x1 - x0;
  // Encode one row once, then copy it to every other row.
  WriteRow(data, y0, x0, 1, &colour);
  const int bpp = BytesPerPixel(data.layout);
  std::uint8_t* first = data.Row(y0) + static_cast<std::size_t>(x0) * bpp;
  if (bpp == 1) {
    std::memset(first, first[0], static_cast<std::size_t>(n));
  } else {
    for (int i = 1; i < n; ++i) std::memcpy(first + static_cast<std::size_t>(i) * bpp, first, static_cast<std::size_t>(bpp));
  }
  for (int y = y0 + 1; y < y1; ++y)
    std::memcpy(data.Row(y) + static_cast<std::size_t>(x0) * bpp, first, static_cast<std::size_t>(n) * bpp);
}

void CopyPixels(PixelData& dst, int dx, int dy, const PixelData& src, int sx, int sy, int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (SameEncoding(dst, src)) {
    const int bpp = BytesPerPixel(src.layout);
    for (int y = 0; y < h; ++y)
      std::memcpy(dst.Row(dy + y) + static_cast<std::size_t>(dx) * bpp,
                  src.Row(sy + y) + static_cast<std::size_t>(sx) * bpp, static_cast<std::size_t>(w) * bpp);
    return;
  }
  if (src.layout == PixelLayout::kBgr24 && dst.layout == PixelLayout::kBgrx32) {
    // The frame grab's 24-bit rows into a true-colour portrait: the hot path.
    for (int y = 0; y < h; ++y) {
      ExpandTriples(dst.Row(dy + y) + static_cast<std::size_t>(dx) * 4,
                    src.Row(sy + y) + static_cast<std::size_t>(sx) * 3, w);
    }
    return;
  }
  if (src.layout == PixelLayout::kBgrx32 && dst.layout == PixelLayout::kBgr24) {
    // The save's conversion of a screen-format photo to 24 bits.
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* s = src.Row(sy + y) + static_cast<std::size_t>(sx) * 4;
      StoreTriples(dst.Row(dy + y) + static_cast<std::size_t>(dx) * 3, w, [s](int x) { return LoadWord(s + 4 * x); });
    }
    return;
  }
  std::vector<Rgb> row(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    ReadRow(src, sy + y, sx, w, row.data());
    WriteRow(dst, dy + y, dx, w, row.data());
  }
}

std::shared_ptr<PixelData> ConvertPixels(const PixelData& src, PixelLayout layout) {
  // Row padding stays zero; every pixel is written by the copy.
  auto out = AllocatePixels(layout, src.width, src.height, true);
  if (layout == PixelLayout::kIndexed8) out->palette = src.palette;
  CopyPixels(*out, 0, 0, src, 0, 0, src.width, src.height);
  return out;
}

namespace {

// Source index for each destination index of a span, whole pixels only:
// destination i takes source i * source / destination, so enlarging repeats
// pixels in even runs and shrinking drops whole rows and columns.
std::vector<int> NearestMap(int sourceSize, long long destSize, bool mirror, long long first, long long end) {
  std::vector<int> map(static_cast<std::size_t>(end - first));
  for (long long i = first; i < end; ++i) {
    const int s = static_cast<int>(i * sourceSize / destSize);
    map[static_cast<std::size_t>(i - first)] = mirror ? sourceSize - 1 - s : s;
  }
  return map;
}

struct Span {
  long long start = 0;  // first destination index (normalised, may be off the bitmap)
  long long size = 0;   // number of destination pixels
  bool mirror = false;
  long long clipFirst = 0;  // first index within [0, size) that lies on the bitmap
  long long clipEnd = 0;    // one past the last
};

Span MakeSpan(int origin, int extent, int limit) {
  Span s;
  s.mirror = extent < 0;
  s.size = extent < 0 ? -static_cast<long long>(extent) : extent;
  s.start = extent < 0 ? static_cast<long long>(origin) + extent : origin;
  s.clipFirst = std::max(0LL, -s.start);
  s.clipEnd = std::min(s.size, static_cast<long long>(limit) - s.start);
  return s;
}

void StretchNearest(PixelData& dst, const Span& sx, const Span& sy, const PixelData& src) {
  std::vector<int> xmap = NearestMap(src.width, sx.size, sx.mirror, sx.clipFirst, sx.clipEnd);
  const int* xs = xmap.data();
  // The same map in source bytes, for the layouts copied byte-wise.
  std::vector<std::size_t> offsets(xmap.size());
  const int sbpp = BytesPerPixel(src.layout);
  for (std::size_t i = 0; i < xmap.size(); ++i) offsets[i] = static_cast<std::size_t>(xmap[i]) * static_cast<std::size_t>(sbpp);
  const std::size_t* xo = offsets.data();
  const std::vector<int> ymap = NearestMap(src.height, sy.size, sy.mirror, sy.clipFirst, sy.clipEnd);
  const int n = static_cast<int>(sx.clipEnd - sx.clipFirst);
  const int dx0 = static_cast<int>(sx.start + sx.clipFirst);
  const bool same = SameEncoding(dst, src);
  const int dbpp = BytesPerPixel(dst.layout);
  std::vector<Rgb> srcRow, dstRow;
  int previousSource = -1;
  const std::uint8_t* previousDest = nullptr;
  for (long long j = sy.clipFirst; j < sy.clipEnd; ++j) {
    const int srcY = ymap[static_cast<std::size_t>(j - sy.clipFirst)];
    const int dy = static_cast<int>(sy.start + j);
    std::uint8_t* d = dst.Row(dy) + static_cast<std::size_t>(dx0) * dbpp;
    if (srcY == previousSource && previousDest != nullptr) {
      std::memcpy(d, previousDest, static_cast<std::size_t>(n) * dbpp);  // a repeated source row
      continue;
    }
    const std::uint8_t* s = src.Row(srcY);
    if (same && dbpp == 4) {
      for (int i = 0; i < n; ++i) std::memcpy(d + 4 * i, s + xo[i], 4);
    } else if (same && dbpp == 3) {
      StoreTriples(d, n, [s, xo](int i) { return LoadTriple(s + xo[i]); });
    } else if (src.layout == PixelLayout::kBgrx32 && dst.layout == PixelLayout::kBgr24) {
      StoreTriples(d, n, [s, xo](int i) { return LoadWord(s + xo[i]); });
    } else if (same) {
      for (int i = 0; i < n; ++i)
        std::memcpy(d + static_cast<std::size_t>(dbpp) * i, s + static_cast<std::size_t>(dbpp) * xs[i],
                    static_cast<std::size_t>(dbpp));
    } else {
      srcRow.resize(static_cast<std::size_t>(src.width));
      dstRow.resize(static_cast<std::size_t>(n));
      ReadRow(src, srcY, 0, src.width, srcRow.data());
      for (int i = 0; i < n; ++i) dstRow[static_cast<std::size_t>(i)] = srcRow[static_cast<std::size_t>(xs[i])];
      WriteRow(dst, dy, dx0, n, dstRow.data());
    }
    previousSource = srcY;
    previousDest = d;
  }
}

// Each destination pixel becomes the mean of the source pixels it covers.
void StretchAverage(PixelData& dst, const Span& sx, const Span& sy, const PixelData& src) {
  auto range = [](long long i, int sourceSize, long long destSize, bool mirror) {
    int a = static_cast<int>(i * sourceSize / destSize);
    int b = static_cast<int>((i + 1) * sourceSize / destSize);
    b = std::max(b, a + 1);
    if (mirror) {
      const int a2 = sourceSize - b, b2 = sourceSize - a;
      a = a2, b = b2;
    }
    return std::pair<int, int>(a, b);
  };
  std::vector<Rgb> srcRow(static_cast<std::size_t>(src.width));
  const int n = static_cast<int>(sx.clipEnd - sx.clipFirst);
  std::vector<Rgb> out(static_cast<std::size_t>(std::max(n, 0)));
  std::vector<long long> sums(static_cast<std::size_t>(std::max(n, 0)) * 3);
  for (long long j = sy.clipFirst; j < sy.clipEnd; ++j) {
    const auto [y0, y1] = range(j, src.height, sy.size, sy.mirror);
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = y0; y < y1; ++y) {
      ReadRow(src, y, 0, src.width, srcRow.data());
      for (int i = 0; i < n; ++i) {
        const auto [x0, x1] = range(sx.clipFirst + i, src.width, sx.size, sx.mirror);
        for (int x = x0; x < x1; ++x) {
          const Rgb c = srcRow[static_cast<std::size_t>(x)];
          sums[3 * static_cast<std::size_t>(i)] += RedOf(c);
          sums[3 * static_cast<std::size_t>(i) + 1] += GreenOf(c);
          sums[3 * static_cast<std::size_t>(i) + 2] += BlueOf(c);
        }
      }
    }
    for (int i = 0; i < n; ++i) {
      const auto [x0, x1] = range(sx.clipFirst + i, src.width, sx.size, sx.mirror);
      const long long count = static_cast<long long>(x1 - x0) * (y1 - y0);
      const auto* s = &sums[3 * static_cast<std::size_t>(i)];
      out[static_cast<std::size_t>(i)] = MakeRgb(static_cast<int>((s[0] + count / 2) / count),
                                                 static_cast<int>((s[1] + count / 2) / count),
                                                 static_cast<int>((s[2] + count / 2) / count));
    }
    WriteRow(dst, static_cast<int>(sy.start + j), static_cast<int>(sx.start + sx.clipFirst), n, out.data());
  }
}

}  // namespace

void StretchPixels(PixelData& dst, int left, int top, int width, int height, const PixelData& src, bool average) {
  if (width == 0 || height == 0 || src.width == 0 || src.height == 0) return;
  const Span sx = MakeSpan(left, width, dst.width);
  const Span sy = MakeSpan(top, height, dst.height);
  if (sx.clipFirst >= sx.clipEnd || sy.clipFirst >= sy.clipEnd) return;
  if (average)
    StretchAverage(dst, sx, sy, src);
  else
    StretchNearest(dst, sx, sy, src);
}

}  // namespace vantora
