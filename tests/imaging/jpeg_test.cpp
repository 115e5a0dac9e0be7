#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "tests/imaging/jpeg_markers.h"
#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Near(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) return false;
  }
  return true;
}

// Colour blocks on 16-pixel boundaries survive 2x2 subsampling nearly intact,
// so their centres tell whether red and blue were swapped anywhere.
TBitmap ColourBlocks(TPixelFormat format) {
  TBitmap b = SolidBitmap(64, 32, 0xFFFFFF, format);
  const std::uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
  for (int i = 0; i < 4; ++i) {
    b.Canvas().Brush().SetColor(colours[i]);
    b.Canvas().FillRect({i * 16, 0, i * 16 + 16, 16});
  }
  return b;
}

TEST(ImagingJpeg, RoundTripKeepsSizeAndColoursInEveryPixelFormat) {
  for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pfDevice}) {
    TJPEGImage jpeg;
    jpeg.Assign(ColourBlocks(format));
    const std::vector<std::uint8_t> bytes = jpeg.SaveToBytes();
    TJPEGImage loaded;
    loaded.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(loaded.Width(), 64);
    EXPECT_EQ(loaded.Height(), 32);
    TBitmap decoded;
    decoded.Assign(loaded);
    EXPECT_EQ(decoded.PixelFormat(), TPixelFormat::pf24bit);
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(Near(decoded.PixelRGB(i * 16 + 8, 8), expected[i], 12))
          << "block " << i << " came back as " << std::hex << decoded.PixelRGB(i * 16 + 8, 8);
    EXPECT_TRUE(Near(decoded.PixelRGB(32, 24), 0xFFFFFF, 12));
  }
}

TEST(ImagingJpeg, SavedFileIsPlainBaselineJfifAtQuality90) {
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(228, 303, kRed));
  const std::vector<std::uint8_t> bytes = jpeg.SaveToBytes();
  const std::vector<Segment> segments = ParseSegments(bytes);
  std::vector<std::uint8_t> markers;
  for (const Segment& s : segments) markers.push_back(s.marker);
  const std::vector<std::uint8_t> expectedMarkers = {0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9};
  ASSERT_EQ(markers, expectedMarkers) << "SOI, JFIF, two DQT, SOF0, four DHT, one scan, EOI; nothing else";
  EXPECT_EQ(segments.back().end, bytes.size());

  const std::vector<std::uint8_t> jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  EXPECT_EQ(segments[1].payload, jfif) << "JFIF 1.01, density unit 0, density 1:1, no thumbnail";

  // libjpeg's standard tables scaled for quality 90: (entry * 20 + 50) / 100, within 1..255.
  const int luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                             14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                             18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                             49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  const int chrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
                               99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                               99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
  const int* standard[2] = {luminance, chrominance};
  static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  for (int t = 0; t < 2; ++t) {
    const std::vector<std::uint8_t>& dqt = segments[2 + static_cast<std::size_t>(t)].payload;
    ASSERT_EQ(dqt.size(), 65u);
    EXPECT_EQ(dqt[0], t) << "8-bit precision, table id";
    for (int k = 0; k < 64; ++k) {
      const int expected = std::clamp((standard[t][kZigzag[k]] * 20 + 50) / 100, 1, 255);
      ASSERT_EQ(dqt[1 + static_cast<std::size_t>(k)], expected) << "table " << t << " entry " << k;
    }
  }

  const std::vector<std::uint8_t> sof = {8, 303 >> 8, 303 & 0xFF, 0, 228, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
  EXPECT_EQ(segments[4].payload, sof) << "8-bit, 303 rows, 228 columns, Y 2x2 and Cb, Cr 1x1";

  // The standard Huffman tables: the DC luminance one starts with these counts.
  const std::vector<std::uint8_t> dcCounts = {0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(dcCounts.begin(), dcCounts.end(), segments[5].payload.begin()));

  TJPEGImage loaded;
  loaded.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_FALSE(loaded.ProgressiveFile());
  EXPECT_TRUE(Near(loaded.DecodedBitmap().PixelRGB(114, 150), kRed, 8)) << "red stays red";
}

TEST(ImagingJpeg, CompressingTwiceGivesIdenticalBytes) {
  TJPEGImage jpeg;
  jpeg.Assign(ColourBlocks(TPixelFormat::pfDevice));
  jpeg.Compress();
  const std::vector<std::uint8_t> first = jpeg.SaveToBytes();
  jpeg.Compress();
  EXPECT_EQ(jpeg.SaveToBytes(), first);
  TJPEGImage copy(jpeg);
  EXPECT_EQ(copy.SaveToBytes(), first) << "a copy shares the compressed data";
}

TEST(ImagingJpeg, EmptyInputLoadsEmptyAndFailsToDraw) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(TestData("empty.jpg"));
  EXPECT_EQ(jpeg.Width(), 0);
  EXPECT_EQ(jpeg.Height(), 0);
  EXPECT_TRUE(jpeg.Empty());
  TBitmap target = SolidBitmap(4, 4, kRed);
  try {
    target.Canvas().StretchDraw({0, 0, 4, 4}, &jpeg);
    FAIL() << "drawing nothing must fail";
  } catch (const EJPEG& e) {
    EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.Code()));
  }
  EXPECT_TRUE(AllPixels(target, {0, 0, 4, 4}, kRed));
  EXPECT_TRUE(jpeg.SaveToBytes().empty()) << "saving nothing gives no bytes";
}

struct SampleCase {
  const char* file;
  int width, height;
  TPixelFormat decodedFormat;
};

class ImagingJpegSamples : public ::testing::TestWithParam<SampleCase> {};

TEST_P(ImagingJpegSamples, DecodeAndDrawOnATrueColourBitmap) {
  const SampleCase& c = GetParam();
  TJPEGImage jpeg;
  jpeg.LoadFromFile(TestData(c.file));
  EXPECT_EQ(jpeg.Width(), c.width) << "from the header, before decoding";
  EXPECT_EQ(jpeg.Height(), c.height);
  const TBitmap& decoded = jpeg.DecodedBitmap();
  EXPECT_EQ(decoded.PixelFormat(), c.decodedFormat);
  EXPECT_EQ(&jpeg.DecodedBitmap(), &decoded) << "decoded once and kept";
  TBitmap target = SolidBitmap(c.width / 4, c.height / 4, 0x00FF00, TPixelFormat::pf24bit);
  target.Canvas().StretchDraw(target.Canvas().ClipRect(), &jpeg);
  if (c.decodedFormat == TPixelFormat::pf8bit) {
    for (int y = 0; y < target.Height(); y += 7)
      for (int x = 0; x < target.Width(); x += 7) {
        const std::uint32_t p = target.PixelRGB(x, y);
        ASSERT_TRUE((p >> 16) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF)) << "grey stays grey";
      }
    const auto palette = decoded.Palette();
    ASSERT_FALSE(palette.empty());
    for (std::uint32_t entry : palette) ASSERT_EQ(entry >> 16, entry & 0xFF);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImagingJpegSamples,
    ::testing::Values(SampleCase{"photo-640x480.jpg", 640, 480, TPixelFormat::pf24bit},
                      SampleCase{"grey-640x480.jpg", 640, 480, TPixelFormat::pf8bit},
                      SampleCase{"progressive-640x480.jpg", 640, 480, TPixelFormat::pf24bit},
                      SampleCase{"restart-640x480.jpg", 640, 480, TPixelFormat::pf24bit},
                      SampleCase{"truncated-640x480.jpg", 640, 480, TPixelFormat::pf24bit},
                      SampleCase{"portrait-600x800.jpg", 600, 800, TPixelFormat::pf24bit},
                      SampleCase{"red-228x303.jpg", 228, 303, TPixelFormat::pf24bit}),
    [](const auto& test) {
      std::string name = test.param.file;
      name = name.substr(0, name.find('-'));
      return name;
    });

struct BadCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  bool failsOnLoad;
};

std::vector<std::uint8_t> Sample(const char* file) { return ReadBytes(TestData(file)); }

// A progressive file whose last scan is repeated until it has far more scans
// than any real picture: libjpeg only warns about such repeats.
std::vector<std::uint8_t> ManyScans(int extra) {
  const std::vector<std::uint8_t> bytes = Sample("progressive-640x480.jpg");
  const std::vector<Segment> segments = ParseSegments(bytes);
  const Segment* last = nullptr;
  for (const Segment& s : segments)
    if (s.marker == 0xDA) last = &s;
  if (!last) return {};
  std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(last->end));
  for (int i = 0; i < extra; ++i)
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(last->offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(last->end));
  out.push_back(0xFF), out.push_back(0xD9);
  return out;
}

std::vector<std::uint8_t> WithDimensions(const char* file, int width, int height) {
  std::vector<std::uint8_t> bytes = Sample(file);
  for (const Segment& s : ParseSegments(bytes))
    if (s.marker == 0xC0 || s.marker == 0xC2) {
      const std::size_t at = s.offset + 4;  // precision byte
      bytes[at + 1] = static_cast<std::uint8_t>(height >> 8), bytes[at + 2] = static_cast<std::uint8_t>(height);
      bytes[at + 3] = static_cast<std::uint8_t>(width >> 8), bytes[at + 4] = static_cast<std::uint8_t>(width);
    }
  return bytes;
}

class ImagingJpegBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(ImagingJpegBadInput, EndsInAJpegErrorQuickly) {
  const BadCase& c = GetParam();
  ASSERT_FALSE(c.bytes.empty());
  const auto start = std::chrono::steady_clock::now();
  TJPEGImage jpeg;
  bool loaded = false;
  try {
    jpeg.LoadFromMemory(c.bytes.data(), c.bytes.size());
    loaded = true;
    TBitmap target = SolidBitmap(8, 8, kRed);
    target.Canvas().StretchDraw({0, 0, 8, 8}, &jpeg);
    FAIL() << "drawing must fail";
  } catch (const EJPEG& e) {
    EXPECT_EQ(loaded, !c.failsOnLoad) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImagingJpegBadInput,
    ::testing::Values(BadCase{"Cmyk", Sample("cmyk-640x480.jpg"), false},
                      BadCase{"GarbageAfterSoi", Sample("garbage-after-soi.jpg"), true},
                      BadCase{"HugeDimensionsHeader", Sample("huge-dimensions-header.jpg"), true},
                      BadCase{"AboveThePixelLimit", WithDimensions("photo-640x480.jpg", 20000, 20000), true},
                      BadCase{"ThousandsOfScans", ManyScans(1500), false},
                      BadCase{"NotAJpegAtAll", std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a'}, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ImagingJpeg, ScanCountBelowTheLimitStillDecodes) {
  const std::vector<std::uint8_t> bytes = ManyScans(20);
  TJPEGImage jpeg;
  jpeg.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(jpeg.DecodedBitmap().Width(), 640);
}

TEST(ImagingJpeg, PaletteScreenDecodesColourTo236Colours) {
  ScopedScreen screen({8, 96});
  TJPEGImage jpeg;
  jpeg.LoadFromFile(TestData("red-228x303.jpg"));
  const TBitmap& decoded = jpeg.DecodedBitmap();
  EXPECT_EQ(decoded.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_LE(decoded.Palette().size(), 236u);
  EXPECT_TRUE(Near(decoded.PixelRGB(100, 100), kRed, 40)) << "the palette is red, green, blue in that order";
}

TEST(ImagingJpeg, SizeIsFixed) {
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(3, 3, kRed));
  for (auto set : {&TJPEGImage::SetWidth, &TJPEGImage::SetHeight}) {
    try {
      (jpeg.*set)(10);
      FAIL();
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
    }
  }
  EXPECT_EQ(jpeg.Width(), 3);
}

TEST(ImagingJpeg, CompressingALoadedPictureKeepsThePicture) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(TestData("red-228x303.jpg"));
  jpeg.Compress();
  EXPECT_EQ(jpeg.Width(), 228);
  const std::vector<std::uint8_t> bytes = jpeg.SaveToBytes();
  ASSERT_FALSE(bytes.empty());
  TJPEGImage again;
  again.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_TRUE(Near(again.DecodedBitmap().PixelRGB(100, 100), kRed, 16));
}

TEST(ImagingJpeg, AssignmentsShareDataAndCopyTheBitmap) {
  TJPEGImage source;
  source.LoadFromFile(TestData("red-228x303.jpg"));
  TJPEGImage copy;
  copy.Assign(source);
  EXPECT_EQ(copy.SaveToBytes(), ReadBytes(TestData("red-228x303.jpg"))) << "a loaded file is saved as it came";
  TBitmap bitmap;
  bitmap.Assign(copy);
  EXPECT_EQ(bitmap.Width(), 228);
  bitmap.Canvas().FillRect({0, 0, 228, 303});
  EXPECT_TRUE(Near(copy.DecodedBitmap().PixelRGB(5, 5), kRed, 16)) << "the target got its own copy";

  TPicture picture;
  picture.Assign(source);
  TBitmap out = SolidBitmap(10, 10, 0);
  out.Canvas().StretchDraw(out.Canvas().ClipRect(), picture.Graphic());
  EXPECT_TRUE(Near(out.PixelRGB(5, 5), kRed, 16));
}

}  // namespace
}  // namespace vantora::testing
