#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace vantora {

// How one bitmap's pixels are stored. The first three are the screen's own
// formats (rows top-down, like a device-dependent bitmap); the last two are
// device-independent bitmaps with their rows bottom-up, padded to 4 bytes.
enum class PixelLayout {
  kBgrx32,     // true-colour screen: blue, green, red, unused
  kRgb565,     // 16-bit screen: 5-6-5 bits in a little-endian word
  kHalftone8,  // 8-bit screen: indices into a fixed halftone palette
  kBgr24,      // blue, green, red
  kIndexed8,   // indices into the bitmap's own palette (JPEG decoder output)
};

int BitsPerPixel(PixelLayout layout);
bool IsBottomUp(PixelLayout layout);
int RowBytes(PixelLayout layout, int width);  // stored bytes of one row, padding included

// The largest pixel store a bitmap may allocate; anything above is reported
// as out of resources rather than left to exhaust memory.
inline constexpr std::size_t kMaxPixelBytes = std::size_t{1} << 30;
inline constexpr int kMaxBitmapDimension = 65535;

// Colours are passed around as 0x00RRGGBB.
using Rgb = std::uint32_t;
inline Rgb MakeRgb(int r, int g, int b) {
  return (static_cast<Rgb>(r) << 16) | (static_cast<Rgb>(g) << 8) | static_cast<Rgb>(b);
}
inline int RedOf(Rgb c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int GreenOf(Rgb c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int BlueOf(Rgb c) { return static_cast<int>(c & 0xFF); }

// Leaves new bytes uninitialised: every store is filled right after it is
// made, and zeroing it first would double the cost of a resize.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using PixelBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// The pixel store that copies of a bitmap share until one of them changes.
struct PixelData {
  PixelLayout layout = PixelLayout::kBgr24;
  int width = 0;
  int height = 0;
  int stride = 0;
  PixelBytes bytes;
  std::vector<Rgb> palette;  // kIndexed8 only; kHalftone8 uses the fixed one

  // y counts from the top row whatever the storage order.
  std::uint8_t* Row(int y) { return bytes.data() + static_cast<std::size_t>(StoredRow(y)) * stride; }
  const std::uint8_t* Row(int y) const {
    return bytes.data() + static_cast<std::size_t>(StoredRow(y)) * stride;
  }
  int StoredRow(int y) const { return IsBottomUp(layout) ? height - 1 - y : y; }
};

// A new store, zero-filled unless the caller fills every byte itself; throws
// EOutOfResources when it is too big to make.
std::shared_ptr<PixelData> AllocatePixels(PixelLayout layout, int width, int height, bool zeroed = true);

const std::vector<Rgb>& HalftonePalette();

// Row access in colour terms: n pixels starting at column x of row y.
void ReadRow(const PixelData& data, int y, int x, int n, Rgb* out);
void WriteRow(PixelData& data, int y, int x, int n, const Rgb* in);
Rgb ReadPixel(const PixelData& data, int x, int y);

// Fills the (already clipped) rectangle x0 <= x < x1, y0 <= y < y1.
void FillPixels(PixelData& data, int x0, int y0, int x1, int y1, Rgb colour);

// Copies a w x h block; the caller has clipped it to both stores. The two
// stores must be different objects.
void CopyPixels(PixelData& dst, int dx, int dy, const PixelData& src, int sx, int sy, int w, int h);

// The same picture in another layout (a palette for kIndexed8 stays).
std::shared_ptr<PixelData> ConvertPixels(const PixelData& src, PixelLayout layout);

// Draws the whole source into the destination rectangle (left, top, width,
// height; a negative width or height mirrors), clipped to the destination.
// Nearest whole pixels are taken unless `average` asks for the halftone mode
// that a palette screen uses when it gets more colours than it can show.
void StretchPixels(PixelData& dst, int left, int top, int width, int height, const PixelData& src, bool average);

}  // namespace vantora
