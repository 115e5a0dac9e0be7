#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include "framework/image_control.h"
#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST(ImageControl, CanvasOfAnEmptyPictureIsAControlSizedBitmap) {
  TImage image;
  image.resize(105, 105);
  TCanvas& canvas = image.Canvas();
  ASSERT_NE(dynamic_cast<TBitmap*>(image.Picture().Graphic()), nullptr);
  EXPECT_EQ(image.Picture().Width(), 105);
  EXPECT_EQ(image.Picture().Height(), 105);
  EXPECT_EQ(&canvas, &image.Picture().Bitmap().Canvas());
}

TEST(ImageControl, CanvasOfAJpegPictureIsRefused) {
  TImage image;
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(2, 2, 0xFF0000));
  image.Picture().Assign(jpeg);
  try {
    image.Canvas();
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "Can only modify an image if it contains a bitmap");
  }
}

TEST(ImageControl, ShowsThePictureStretchedOrAtNaturalSize) {
  TImage image;
  image.resize(20, 30);
  image.Picture().Assign(SolidBitmap(10, 10, 0xFF0000));
  image.Picture().Bitmap().Canvas().Brush().SetColor(0x0000FF);
  image.Picture().Bitmap().Canvas().FillRect({5, 5, 10, 10});

  QImage natural = image.grab().toImage();
  EXPECT_EQ(At(natural, 0, 0), 0xFF0000u);
  EXPECT_EQ(At(natural, 9, 9), 0x0000FFu) << "drawing on the held bitmap shows";

  image.SetStretch(true);
  QImage stretched = image.grab().toImage();
  EXPECT_EQ(At(stretched, 19, 0), 0xFF0000u);
  EXPECT_EQ(At(stretched, 0, 29), 0xFF0000u);
  EXPECT_EQ(At(stretched, 19, 29), 0x0000FFu);
  EXPECT_EQ(At(stretched, 9, 14), 0xFF0000u);
}

}  // namespace
}  // namespace vantora::testing
