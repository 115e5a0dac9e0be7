#include "tests/usb_camera/coded_picture.h"

#include <cstdio>  // before jpeglib.h, which needs FILE

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantora::testing {
namespace {

// Half the cells lit even for the first frames.
constexpr std::uint32_t kMask = 0xA5C35A3Cu;
constexpr Rgb kLit[4] = {{235, 64, 64}, {64, 235, 64}, {64, 64, 235}, {235, 235, 235}};
constexpr Rgb kDark = {24, 24, 24};

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

// One pair of pixels, as YUYV shares the colour of two.
void YuyvPair(Rgb a, Rgb b, std::uint8_t* out) {
  auto luma = [](Rgb c) { return Clamp(16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255); };
  const double r = (a.r + b.r) / 2.0, g = (a.g + b.g) / 2.0, bl = (a.b + b.b) / 2.0;
  out[0] = luma(a);
  out[1] = Clamp(128 + (-37.797 * r - 74.203 * g + 112.0 * bl) / 255);
  out[2] = luma(b);
  out[3] = Clamp(128 + (112.0 * r - 93.786 * g - 18.214 * bl) / 255);
}

// A baseline JFIF picture of quality 85; `row` gives the RGB bytes of a row
// and is asked for the rows in order.
std::vector<std::uint8_t> Compress(int width, int height, const std::function<const std::uint8_t*(int)>& row) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // a failure here is a broken emulator: it ends the process
  jpeg_create_compress(&cinfo);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &data, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(row(static_cast<int>(cinfo.next_scanline)))};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> bytes(data, data + size);
  std::free(data);
  return bytes;
}

}  // namespace

Rgb CodedColour(std::uint32_t frame, int x, int y) {
  const int column = x / kCodeCell, row = y / kCodeCell;
  const int byte = row % 4, bit = column % 8;
  const bool lit = ((frame ^ kMask) >> (8 * byte + bit)) & 1u;
  return lit ? kLit[byte] : kDark;
}

void RenderYuyv(std::uint32_t frame, int width, int height, std::uint8_t* out) {
  const std::size_t stride = static_cast<std::size_t>(width) * 2;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out + stride * static_cast<std::size_t>(y);
    if (y % kCodeCell != 0) {  // every row of a cell row is the same
      std::memcpy(row, row - stride, stride);
      continue;
    }
    for (int x = 0; x + 1 < width; x += 2) YuyvPair(CodedColour(frame, x, y), CodedColour(frame, x + 1, y), row + 2 * x);
  }
}

void EncodeYuyv(const RgbPicture& picture, std::uint8_t* out) {
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x + 1 < picture.width; x += 2) {
      YuyvPair(picture.At(x, y), picture.At(x + 1, y), out + (static_cast<std::size_t>(y) * picture.width + x) * 2);
    }
  }
}

std::vector<std::uint8_t> RenderJpeg(std::uint32_t frame, int width, int height) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  return Compress(width, height, [&](int y) {
    if (y % kCodeCell == 0) {  // every row of a cell row is the same
      for (int x = 0; x < width; ++x) {
        Rgb c = CodedColour(frame, x, y);
        row[3 * x] = c.r, row[3 * x + 1] = c.g, row[3 * x + 2] = c.b;
      }
    }
    return row.data();
  });
}

std::vector<std::uint8_t> EncodeJpeg(const RgbPicture& picture) {
  return Compress(picture.width, picture.height,
                  [&](int y) { return picture.rgb.data() + static_cast<std::size_t>(y) * picture.width * 3; });
}

CodeReading ReadCodedPicture(const std::function<Rgb(int, int)>& sample, int x0, int y0, int x1,
                             int y1, int tolerance) {
  CodeReading reading;
  auto middle = [](int cell) { return cell * kCodeCell + kCodeCell / 2; };
  auto inside = [&](int column, int row) {
    return middle(column) >= x0 && middle(column) < x1 && middle(row) >= y0 && middle(row) < y1;
  };
  // The first block of 8x4 cells, starting at byte 0 and bit 0, inside the rectangle.
  const int first_column = (x0 + kCodeCell * 8 - 1) / (kCodeCell * 8) * 8;
  const int first_row = (y0 + kCodeCell * 4 - 1) / (kCodeCell * 4) * 4;
  for (int row = first_row; !reading.frame && inside(first_column + 7, row + 3); row += 4) {
    std::uint32_t coded = 0;
    for (int byte = 0; byte < 4; ++byte) {
      for (int bit = 0; bit < 8; ++bit) {
        Rgb c = sample(middle(first_column + bit), middle(row + byte));
        if (std::max({c.r, c.g, c.b}) > 128) coded |= 1u << (8 * byte + bit);
      }
    }
    reading.frame = coded ^ kMask;
  }
  if (!reading.frame) return reading;
  for (int row = y0 / kCodeCell; middle(row) < y1; ++row) {
    for (int column = x0 / kCodeCell; middle(column) < x1; ++column) {
      if (!inside(column, row)) continue;
      const Rgb want = CodedColour(*reading.frame, middle(column), middle(row));
      const Rgb got = sample(middle(column), middle(row));
      ++reading.cells_checked;
      if (std::abs(want.r - got.r) > tolerance || std::abs(want.g - got.g) > tolerance ||
          std::abs(want.b - got.b) > tolerance) {
        ++reading.cells_wrong;
      }
    }
  }
  return reading;
}

CodeReading ReadPortrait(const std::function<Rgb(int, int)>& pixel, int width, int height, int frame_width,
                         int frame_height) {
  const double strip = frame_height * 228.0 / 303;
  const int offset = static_cast<int>(std::lround((frame_width - strip) / 2));
  // The band is 35 rows of the frame's own height.
  const int band = 35 + kCodeCell;
  auto sample = [&](int x, int y) {
    const int px = static_cast<int>((x - offset) * width / strip);
    const int py = y * height / frame_height;
    return pixel(std::clamp(px, 0, width - 1), std::clamp(py, 0, height - 1));
  };
  return ReadCodedPicture(sample, offset, 0, offset + static_cast<int>(strip), frame_height - band, 48);
}

RgbPicture LoadJpegFile(const std::string& path) {
  RgbPicture picture;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return picture;
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // a broken file ends the checking program, with libjpeg's word
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  picture.width = static_cast<int>(cinfo.output_width);
  picture.height = static_cast<int>(cinfo.output_height);
  picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = picture.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * picture.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return picture;
}

}  // namespace vantora::testing
