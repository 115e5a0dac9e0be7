#include <gtest/gtest.h>

#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

constexpr std::uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlue = 0x0000FF;

struct DepthCase {
  int depth;
  TPixelFormat expected;
};

class ImagingBitmapDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(ImagingBitmapDepth, NewBitmapSizedHeightThenWidthIsWhiteInScreenFormat) {
  ScopedScreen screen({GetParam().depth, 96});
  TBitmap bitmap;
  bitmap.SetHeight(303);
  EXPECT_EQ(bitmap.Height(), 303);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Pixels(), nullptr) << "a bitmap with a zero dimension holds no pixels";
  bitmap.SetWidth(228);
  EXPECT_EQ(bitmap.PixelFormat(), GetParam().expected);
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 228, 303}, kWhite));
}

TEST_P(ImagingBitmapDepth, GrowingKeepsTopLeftAndFillsWhite) {
  ScopedScreen screen({GetParam().depth, 96});
  TBitmap bitmap = SolidBitmap(10, 10, kRed);
  TBitmap fresh;  // no surface: the new area is white
  fresh.Assign(bitmap);
  fresh.SetWidth(20);
  fresh.SetHeight(20);
  EXPECT_TRUE(AllPixels(fresh, {0, 0, 10, 10}, kRed));
  EXPECT_TRUE(AllPixels(fresh, {10, 0, 20, 20}, kWhite));
  EXPECT_TRUE(AllPixels(fresh, {0, 10, 10, 20}, kWhite));
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 10, 10}, kRed));
  EXPECT_EQ(bitmap.Width(), 10) << "the copy's resize must not reach the original";
}

TEST_P(ImagingBitmapDepth, ConversionTo24BitsKeepsEveryColour) {
  ScopedScreen screen({GetParam().depth, 96});
  TBitmap bitmap = SolidBitmap(7, 5, 0x336699);
  bitmap.Canvas().Brush().SetColor(kRed);
  bitmap.Canvas().FillRect({2, 1, 4, 3});
  const std::uint32_t reduced = bitmap.PixelRGB(0, 0);  // the screen's own rendition of the colour
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.BytesPerLine(), 24);
  EXPECT_EQ(bitmap.PixelRGB(0, 0), reduced);
  EXPECT_EQ(bitmap.PixelRGB(6, 4), reduced);
  EXPECT_EQ(bitmap.PixelRGB(2, 1), kRed);
  EXPECT_EQ(bitmap.PixelRGB(4, 3), reduced);
}

INSTANTIATE_TEST_SUITE_P(Depths, ImagingBitmapDepth,
                         ::testing::Values(DepthCase{24, TPixelFormat::pf32bit}, DepthCase{32, TPixelFormat::pf32bit},
                                           DepthCase{16, TPixelFormat::pf16bit}, DepthCase{8, TPixelFormat::pf8bit}),
                         [](const auto& test) { return "Depth" + std::to_string(test.param.depth); });

TEST(ImagingBitmap, SixteenBitScreenReducesColoursAndConversionKeepsThem) {
  ScopedScreen screen({16, 96});
  TBitmap bitmap = SolidBitmap(4, 4, 0x123456);
  const std::uint32_t reduced = bitmap.PixelRGB(1, 1);
  EXPECT_NE(reduced, 0x123456u) << "5-6-5 bits cannot hold this colour exactly";
  EXPECT_NEAR(static_cast<int>(reduced >> 16), 0x12, 8);
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.PixelRGB(1, 1), reduced);
}

TEST(ImagingBitmap, ResizeFillsWithTheSurfaceBrushWhenThereIsOne) {
  TBitmap bitmap = SolidBitmap(4, 4, kRed);
  bitmap.Canvas().Brush().SetColor(kBlue);
  bitmap.SetWidth(6);
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 4, 4}, kRed));
  EXPECT_TRUE(AllPixels(bitmap, {4, 0, 6, 4}, kBlue));
  bitmap.SetHeight(2);  // shrinking keeps the top part
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 4, 2}, kRed));
}

TEST(ImagingBitmap, ZeroDimensionDropsPixelsButKeepsTheOther) {
  TBitmap bitmap = SolidBitmap(5, 6, kRed, TPixelFormat::pf24bit);
  bitmap.SetWidth(0);
  EXPECT_EQ(bitmap.Height(), 6);
  EXPECT_TRUE(bitmap.Empty());
  bitmap.SetWidth(3);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit) << "an explicit format survives losing the pixels";
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 3, 6}, kWhite));
}

TEST(ImagingBitmap, CopiesAreIndependentAfterAnyChange) {
  TBitmap original = SolidBitmap(3, 3, kRed);
  TBitmap drawn(original), scanned(original), converted(original);
  EXPECT_EQ(drawn.Pixels(), original.Pixels()) << "copies share until changed";
  drawn.Canvas().FillRect({0, 0, 1, 1});
  scanned.SetPixelFormat(TPixelFormat::pf24bit);
  scanned.ScanLine(0)[0] = 0x00;
  converted.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_TRUE(AllPixels(original, {0, 0, 3, 3}, kRed));
  EXPECT_EQ(drawn.PixelRGB(0, 0), kWhite);
  EXPECT_TRUE(AllPixels(converted, {0, 0, 3, 3}, kRed));
}

TEST(ImagingBitmap, PictureKeepsItsOwnCopy) {
  TBitmap first = SolidBitmap(4, 4, kRed);
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.Assign(first);
  EXPECT_EQ(changes, 1);
  picture.Bitmap().Canvas().FillRect({0, 0, 4, 4});
  EXPECT_GE(changes, 2) << "drawing on the held bitmap is a change of the picture";
  EXPECT_TRUE(AllPixels(first, {0, 0, 4, 4}, kRed));
  EXPECT_TRUE(AllPixels(picture.Bitmap(), {0, 0, 4, 4}, kWhite));
}

TEST(ImagingBitmap, PictureBitmapReplacesOtherContent) {
  TPicture picture;
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(2, 2, kRed));
  picture.Assign(jpeg);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  TBitmap& bitmap = picture.Bitmap();
  EXPECT_EQ(picture.Graphic(), &bitmap);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(ImagingBitmap, NewDIB24IsBlackBottomUpAndPadded) {
  TBitmap bitmap = SolidBitmap(8, 8, kRed);
  bitmap.NewDIB24(350, 3);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.BytesPerLine(), 1052);
  EXPECT_TRUE(AllPixels(bitmap, {0, 0, 350, 3}, 0x000000));
  const TBitmap& view = bitmap;
  EXPECT_EQ(view.ScanLine(0) - view.ScanLine(1), 1052) << "rows are stored bottom-up";
  std::uint8_t* top = bitmap.ScanLine(0);
  top[0] = 0x11, top[1] = 0x22, top[2] = 0x33;  // blue, green, red
  EXPECT_EQ(bitmap.PixelRGB(0, 0), 0x332211u);
  EXPECT_EQ(bitmap.PixelRGB(0, 2), 0u);
  EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphicOperation);
}

TEST(ImagingBitmap, BadSizesAreRefusedWithTheirErrors) {
  TBitmap bitmap;
  EXPECT_THROW(bitmap.SetWidth(-1), EInvalidGraphic);
  EXPECT_THROW(bitmap.NewDIB24(-5, 2), EInvalidGraphic);
  try {
    bitmap.NewDIB24(60000, 60000);
    FAIL() << "a 10 GB bitmap must be refused";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Out of system resources");
  }
  EXPECT_STREQ(EInvalidGraphic().what(), "Bitmap image is not valid");
}

}  // namespace
}  // namespace vantora::testing
