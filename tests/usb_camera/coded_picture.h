#pragma once
// The emulated cameras' picture: cells of 16x16 pixels whose colours code
// the frame number, so every pixel is known from the frame number alone and
// a test can tell which frame a grabbed picture, or a portrait cut from it,
// came from. The cells of a row carry one byte of the (masked) frame number,
// a bit a cell, and rows take the bytes in turn, so any block of 8x4 cells
// (128x64 pixels) anywhere in the picture holds the whole number. Each byte
// has its own colour for a set bit (red, green, blue, white), which also
// tells red from blue; a clear bit is near black.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantora::testing {

inline constexpr int kCodeCell = 16;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb CodedColour(std::uint32_t frame, int x, int y);

// YUYV (BT.601, limited range) rows of width*2 bytes, top first.
void RenderYuyv(std::uint32_t frame, int width, int height, std::uint8_t* out);
// A baseline JFIF picture, as a camera sends motion JPEG.
std::vector<std::uint8_t> RenderJpeg(std::uint32_t frame, int width, int height);

// What a check of a picture found. `sample` gives the picture's colour at a
// point in frame coordinates; cells whose middle lies inside the rectangle
// [x0, x1) x [y0, y1) are looked at.
struct CodeReading {
  std::optional<std::uint32_t> frame;  // none when no whole number could be read
  int cells_checked = 0;
  int cells_wrong = 0;  // cells whose colour is off by more than the tolerance
};
CodeReading ReadCodedPicture(const std::function<Rgb(int x, int y)>& sample, int x0, int y0,
                             int x1, int y1, int tolerance);

// The same for a saved portrait (`pixel` gives its colours, `width` x
// `height` its size) cut from a frame_width x frame_height frame: the middle
// strip of proportion 228:303, scaled, with the ID band along its bottom left
// out. Lossy codecs on the way are allowed for.
CodeReading ReadPortrait(const std::function<Rgb(int x, int y)>& pixel, int width, int height,
                         int frame_width, int frame_height);

// A JPEG file's pixels, top row first; empty when it cannot be read.
struct RgbPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  Rgb At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};
RgbPicture LoadJpegFile(const std::string& path);

// Any picture in the cameras' two encodings, as above.
void EncodeYuyv(const RgbPicture& picture, std::uint8_t* out);
std::vector<std::uint8_t> EncodeJpeg(const RgbPicture& picture);

}  // namespace vantora::testing
