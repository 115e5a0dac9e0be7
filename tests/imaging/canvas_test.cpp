#include <gtest/gtest.h>

#include <vector>

#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

constexpr std::uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0x000000, kGreen = 0x00FF00;

TEST(ImagingCanvas, FillRectPaintsExactlyTheHalfOpenRectangle) {
  TBitmap bitmap = SolidBitmap(228, 300, kRed);
  bitmap.Canvas().FillRect({0, 265, 228, 300});
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 228, 265}, kRed));
  EXPECT_TRUE(AllPixels(bitmap, {0, 265, 228, 300}, kWhite));
  bitmap.Canvas().Brush().SetColor(kGreen);
  bitmap.Canvas().FillRect({-50, -50, 2, 1});  // reaches outside: clipped
  bitmap.Canvas().FillRect({500, 0, 600, 10});
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 2, 1}, kGreen));
  EXPECT_EQ(bitmap.PixelRGB(2, 0), kRed);
  EXPECT_EQ(bitmap.PixelRGB(0, 1), kRed);
  EXPECT_EQ(bitmap.Canvas().ClipRect(), (TRect{0, 0, 228, 300}));
}

struct CopyCase {
  const char* name;
  int x, y, w, h, sx, sy;
  TRect copied;  // destination pixels that must now be red; everything else stays white
};

class ImagingCanvasCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(ImagingCanvasCopy, CopiesOnlyPixelsThatExistOnBothSides) {
  const CopyCase& c = GetParam();
  TBitmap source = SolidBitmap(10, 8, kRed, TPixelFormat::pf24bit);
  TBitmap target = SolidBitmap(12, 12, kWhite);
  target.Canvas().CopyFrom(c.x, c.y, c.w, c.h, source.Canvas(), c.sx, c.sy);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= c.copied.Left && x < c.copied.Right && y >= c.copied.Top && y < c.copied.Bottom;
      ASSERT_EQ(target.PixelRGB(x, y), inside ? kRed : kWhite) << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImagingCanvasCopy,
    ::testing::Values(CopyCase{"Inside", 1, 2, 3, 4, 0, 0, {1, 2, 4, 6}},
                      CopyCase{"SourceStartsLeftOfBitmap", 0, 0, 6, 3, -2, 0, {2, 0, 6, 3}},
                      CopyCase{"SourceEndsRightOfBitmap", 0, 0, 6, 3, 7, 0, {0, 0, 3, 3}},
                      CopyCase{"SourceBelowBitmap", 0, 0, 4, 4, 0, 6, {0, 0, 4, 2}},
                      CopyCase{"DestinationPartlyOff", -3, 10, 6, 6, 0, 0, {0, 10, 3, 12}},
                      CopyCase{"EntirelyOutsideSource", 0, 0, 4, 4, 20, 20, {0, 0, 0, 0}},
                      CopyCase{"ZeroWidth", 0, 0, 0, 4, 0, 0, {0, 0, 0, 0}},
                      CopyCase{"HugeValues", 2147483000, 0, 2147483000, 4, -2147483000, 0, {0, 0, 0, 0}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ImagingCanvas, NarrowFrameLeavesThePortraitWhiteWhereTheFrameEnds) {
  // A 200 x 400 frame cut to 228:303 needs 301 columns: the copy's source
  // rectangle starts at column -50 and the columns without frame stay white.
  TBitmap frame;
  frame.NewDIB24(200, 400);
  FillSolid(frame, kRed);
  TBitmap portrait;
  portrait.SetHeight(400);
  portrait.SetWidth(301);
  portrait.Canvas().CopyFrom(0, 0, 301, 400, frame.Canvas(), -50, 0);
  EXPECT_TRUE(AllPixels(portrait, {0, 0, 50, 400}, kWhite));
  EXPECT_TRUE(AllPixels(portrait, {50, 0, 250, 400}, kRed));
  EXPECT_TRUE(AllPixels(portrait, {250, 0, 301, 400}, kWhite));
}

TEST(ImagingCanvas, CopyWithinOneBitmapReadsTheOldPixels) {
  TBitmap bitmap = SolidBitmap(6, 1, kWhite, TPixelFormat::pf24bit);
  bitmap.Canvas().Brush().SetColor(kRed);
  bitmap.Canvas().FillRect({0, 0, 1, 1});
  bitmap.Canvas().CopyFrom(1, 0, 5, 1, bitmap.Canvas(), 0, 0);  // overlapping shift right by one
  EXPECT_EQ(bitmap.PixelRGB(0, 0), kRed);
  EXPECT_EQ(bitmap.PixelRGB(1, 0), kRed);
  EXPECT_TRUE(AllPixels(bitmap, {2, 0, 6, 1}, kWhite));
}

// Builds a one-row bitmap from colours.
TBitmap Row(const std::vector<std::uint32_t>& colours, TPixelFormat format = TPixelFormat::pf24bit) {
  TBitmap b = SolidBitmap(static_cast<int>(colours.size()), 1, kWhite, format);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    b.Canvas().Brush().SetColor(colours[i]);
    b.Canvas().FillRect({static_cast<int>(i), 0, static_cast<int>(i) + 1, 1});
  }
  return b;
}

// The frame's 24-bit rows widened into a true-colour portrait: every pixel
// keeps its three channels whatever its place in a group of four, from any
// first column, with a tail shorter than a group.
TEST(ImagingCanvas, CopyFromWidens24BitRowsPixelForPixel) {
  const std::vector<std::uint32_t> colours = {0x010203, 0x112233, 0x445566, 0x778899, 0xAABBCC,
                                              0xDDEEFF, 0xFF0001, 0x00FF02, 0x0300FF, 0x123456};
  TBitmap source = Row(colours);
  struct Case {
    int sx, w;
  };
  for (const Case c : {Case{0, 10}, Case{1, 9}, Case{3, 4}, Case{2, 7}, Case{9, 1}}) {
    TBitmap target = SolidBitmap(c.w, 1, kGreen);
    ASSERT_EQ(target.Pixels()->layout, PixelLayout::kBgrx32);
    target.Canvas().CopyFrom(0, 0, c.w, 1, source.Canvas(), c.sx, 0);
    for (int x = 0; x < c.w; ++x)
      EXPECT_EQ(target.PixelRGB(x, 0), colours[static_cast<std::size_t>(c.sx + x)]) << c.sx << "+" << x;
  }
}

struct StretchCase {
  const char* name;
  std::vector<std::uint32_t> source;
  TRect target;
  int width;
  std::vector<std::uint32_t> expected;  // the target row after drawing
};

class ImagingCanvasStretch : public ::testing::TestWithParam<StretchCase> {};

TEST_P(ImagingCanvasStretch, TakesWholePixels) {
  const StretchCase& c = GetParam();
  for (TPixelFormat targetFormat : {TPixelFormat::pf24bit, TPixelFormat::pfDevice}) {
    for (TPixelFormat sourceFormat : {TPixelFormat::pf24bit, TPixelFormat::pfDevice}) {
      TBitmap source = Row(c.source, sourceFormat);
      TBitmap target = SolidBitmap(c.width, 1, kGreen, targetFormat);
      target.Canvas().StretchDraw(c.target, &source);
      for (int x = 0; x < c.width; ++x)
        EXPECT_EQ(target.PixelRGB(x, 0), c.expected[static_cast<std::size_t>(x)]) << "column " << x;
    }
  }
}

const std::uint32_t B = kBlack, W = kWhite, R = kRed, G = kGreen;
INSTANTIATE_TEST_SUITE_P(
    Cases, ImagingCanvasStretch,
    ::testing::Values(StretchCase{"DoubleBlackWhite", {B, W}, {0, 0, 4, 1}, 4, {B, B, W, W}},
                      StretchCase{"HalveDropsColumns", {B, W, R, W}, {0, 0, 2, 1}, 2, {B, R}},
                      StretchCase{"ThreeToFive", {B, W, R}, {0, 0, 5, 1}, 5, {B, B, W, W, R}},
                      StretchCase{"OffsetAndClipped", {B, W}, {-1, 0, 3, 1}, 3, {B, W, W}},
                      StretchCase{"MirroredWidth", {B, W}, {2, 0, 0, 1}, 3, {W, B, G}},
                      StretchCase{"EmptyRectangle", {B, W}, {1, 0, 1, 1}, 2, {G, G}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ImagingCanvas, StretchShrinksRowsByDroppingThem) {
  TBitmap source = SolidBitmap(1, 4, kWhite, TPixelFormat::pf24bit);
  source.Canvas().Brush().SetColor(kBlack);
  source.Canvas().FillRect({0, 0, 1, 1});
  source.Canvas().FillRect({0, 2, 1, 3});
  TBitmap target = SolidBitmap(1, 2, kGreen, TPixelFormat::pf24bit);
  target.Canvas().StretchDraw(target.Canvas().ClipRect(), &source);
  EXPECT_EQ(target.PixelRGB(0, 0), kBlack);
  EXPECT_EQ(target.PixelRGB(0, 1), kBlack);
  target.Canvas().StretchDraw(target.Canvas().ClipRect(), nullptr);  // nothing happens
  EXPECT_EQ(target.PixelRGB(0, 1), kBlack);
}

TEST(ImagingCanvas, StretchOntoItselfUsesTheOldPixels) {
  TBitmap bitmap = Row({B, W, R, G});
  bitmap.Canvas().StretchDraw({0, 0, 4, 1}, &bitmap);  // identity
  bitmap.Canvas().StretchDraw({0, 0, 2, 1}, &bitmap);  // shrink into the left half
  EXPECT_EQ(bitmap.PixelRGB(0, 0), B);
  EXPECT_EQ(bitmap.PixelRGB(1, 0), R);
  EXPECT_EQ(bitmap.PixelRGB(2, 0), R);
  EXPECT_EQ(bitmap.PixelRGB(3, 0), G);
}

TEST(ImagingCanvas, PaletteScreenAveragesWhenShrinkingTrueColour) {
  ScopedScreen screen({8, 96});
  TBitmap source = Row({B, W, B, W});
  TBitmap target;
  target.SetHeight(1);
  target.SetWidth(2);
  target.Canvas().StretchDraw({0, 0, 2, 1}, &source);
  const std::uint32_t c = target.PixelRGB(0, 0);
  EXPECT_EQ(c >> 16, c & 0xFF) << "grey";
  EXPECT_GT(c & 0xFF, 0x40u);
  EXPECT_LT(c & 0xFF, 0xC0u);
}

}  // namespace
}  // namespace vantora::testing
