#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "imaging/font_engine.h"
#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000;

struct MulDivCase {
  int n, numerator, denominator, expected;
};

TEST(ImagingFont, MulDivRoundsHalvesAwayFromZero) {
  const MulDivCase cases[] = {{8, 96, 72, 11},  {24, 96, 72, 32}, {24, 120, 72, 40}, {3, 1, 2, 2},
                              {-3, 1, 2, -2},   {5, 1, -2, -3},   {1, 1, 3, 0},      {7, 1, 0, -1},
                              {9, 96, 72, 12},  {11, 72, 96, 8},  {2147483647, 2, 1, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(MulDiv(c.n, c.numerator, c.denominator), c.expected)
        << c.n << " * " << c.numerator << " / " << c.denominator;
}

TEST(ImagingFont, SizeAndHeightFollowTheScreenDpi) {
  struct Case {
    int dpi, size, height;
  };
  for (const Case c : {Case{96, 24, 32}, Case{120, 24, 40}, Case{96, 8, 11}, Case{72, 10, 10}}) {
    ScopedScreen screen({24, c.dpi});
    TFont font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(font.Height(), MulDiv(8, c.dpi, 72)) << "a new font is 8 points";
    EXPECT_EQ(font.Color(), kBlack);
    EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.dpi << " dpi";
    EXPECT_EQ(font.Size(), c.size);
  }
}

TEST(ImagingFont, DefaultFaceResolvesToTheInstalledSans) {
  FontRequest request;
  request.name = "MS Sans Serif";
  EXPECT_EQ(ResolvedFontFamily(request), "DejaVu Sans");
}

// The start-up reads fontconfig's files on a worker thread while other
// threads may already be matching faces; every one must see the same faces.
TEST(ImagingFont, LoadingTheConfigurationFromManyThreadsKeepsTheFaces) {
  FontRequest request;
  request.name = "MS Sans Serif";
  std::vector<std::string> families(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < families.size(); ++i) {
    threads.emplace_back([&, i] {
      LoadFontConfiguration();
      families[i] = ResolvedFontFamily(request);
      LoadFontConfiguration();
    });
  }
  for (std::thread& t : threads) t.join();
  for (const std::string& family : families) EXPECT_EQ(family, "DejaVu Sans");
  EXPECT_EQ(ResolvedFontFamily(request), "DejaVu Sans");
}

TEST(ImagingText, CellIsEmSizedAndWidthIsTheAdvance) {
  TBitmap bitmap = SolidBitmap(10, 10, kWhite);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Font().SetSize(24);  // 32 pixels at 96 dpi
  // DejaVu Sans: ascent 1901 and descent 483 of 2048 units at a 32-pixel em.
  EXPECT_EQ(canvas.TextHeight("41X"), 38);
  EXPECT_EQ(canvas.TextWidth(""), 0);
  const int one = canvas.TextWidth("4");
  EXPECT_GT(one, 10);
  EXPECT_EQ(canvas.TextWidth("4444"), 4 * one) << "advances add up, no kerning";
  canvas.Font().SetHeight(64);
  EXPECT_NEAR(canvas.TextWidth("4"), 2 * one, 2);
}

TEST(ImagingText, TextOutPaintsAnOpaqueCellBoxAndMovesThePen) {
  for (TPixelFormat format : {TPixelFormat::pfDevice, TPixelFormat::pf24bit}) {
    TBitmap bitmap = SolidBitmap(300, 80, kRed, format);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font().SetSize(24);
    canvas.Font().SetColor(kBlack);
    canvas.Brush().SetColor(kWhite);
    const int width = canvas.TextWidth("1101");
    const int height = canvas.TextHeight("1101");
    canvas.TextOut(20, 10, "1101");
    EXPECT_EQ(canvas.PenPos().X, 20 + width);
    EXPECT_EQ(canvas.PenPos().Y, 10);
    int ink = 0, background = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 300; ++x) {
        const std::uint32_t c = bitmap.PixelRGB(x, y);
        const bool inBox = x >= 20 && x < 20 + width && y >= 10 && y < 10 + height;
        if (!inBox) {
          ASSERT_EQ(c, kRed) << "outside the cell box at " << x << "," << y;
          continue;
        }
        ASSERT_EQ(c >> 16, c & 0xFF) << "only white, black and greys between them in the box";
        if (c == kWhite) ++background;
        if (c == kBlack) ++ink;
      }
    EXPECT_GT(ink, 50);
    EXPECT_GT(background, ink);
    // Every column edge of the box is background: the box is opaque.
    EXPECT_EQ(bitmap.PixelRGB(20, 10), kWhite);
    EXPECT_EQ(bitmap.PixelRGB(19 + width, 9 + height), kWhite);
  }
}

// Rendered glyphs are kept per face, size and style: drawing the same text
// again gives the same pixels, and another size or a bold style never gets
// the glyphs of the first.
TEST(ImagingText, KeptGlyphsBelongToTheirSizeAndStyle) {
  const auto draw = [](int size, bool bold) {
    TBitmap bitmap = SolidBitmap(200, 60, kWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font().SetSize(size);
    if (bold) canvas.Font().SetStyle(fsBold);
    canvas.Font().SetColor(kBlack);
    canvas.TextOut(2, 2, "41X");
    return bitmap;
  };
  const auto ink = [](const TBitmap& b) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) n += b.PixelRGB(x, y) != kWhite;
    return n;
  };
  const TBitmap small = draw(10, false);
  const TBitmap large = draw(24, false);
  const TBitmap bold = draw(10, true);
  const TBitmap again = draw(10, false);
  EXPECT_GT(ink(large), 3 * ink(small));
  EXPECT_GT(ink(bold), ink(small));
  ASSERT_EQ(ink(again), ink(small));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(again.PixelRGB(x, y), small.PixelRGB(x, y)) << x << "," << y;
}

TEST(ImagingText, TextOffTheBitmapIsClippedNotFatal) {
  TBitmap bitmap = SolidBitmap(40, 20, kRed);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Font().SetSize(24);
  const std::string text = "110101199001011234";
  const int x = (40 - canvas.TextWidth(text)) / 2;
  EXPECT_LT(x, 0);
  canvas.TextOut(x, 5, text);
  canvas.TextOut(-100000, -100000, text);
  canvas.TextOut(2147483000, 2147483000, text);
  EXPECT_EQ(bitmap.PixelRGB(39, 0), kRed);
  EXPECT_NE(bitmap.PixelRGB(0, 19), kRed) << "the box reaches the bottom-left corner";
}

TEST(ImagingText, ChineseTextFallsBackToAFaceThatHasIt) {
  TBitmap bitmap = SolidBitmap(200, 60, kWhite);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Font().SetSize(24);
  const int width = canvas.TextWidth("张三");
  EXPECT_GE(width, 2 * 28) << "two full-width ideographs";
  canvas.TextOut(0, 0, "张三");
  int ink = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < width; ++x) ink += bitmap.PixelRGB(x, y) == kBlack;
  EXPECT_GT(ink, 40);
  EXPECT_GT(canvas.TextWidth("\xff\xfe broken utf-8 \xe5"), 0) << "bad bytes are drawn as replacement glyphs";
}

}  // namespace
}  // namespace vantora::testing
