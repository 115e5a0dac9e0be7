// The picture pane of the open-picture chooser, in a Qt file dialog of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileDialog>
#include <QImage>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "framework/picture_preview.h"
#include "temp_dir.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;

std::string TestData(const std::string& name) { return std::string(std::getenv("VANTORA_TESTDATA")) + "/" + name; }

TEST(PicturePreviewTest, ShowsTheSelectedJpegScaledToFitAndNothingForAnythingElse) {
  TempDir dir;
  fs::copy_file(TestData("portrait-600x800.jpg"), dir / "portrait.jpg");
  fs::copy_file(TestData("red-228x303.jpg"), dir / "red.jpg");
  Spit(dir / "notes.jpg", "not a picture\n");
  QImage png(40, 40, QImage::Format_RGB32);
  png.fill(Qt::green);
  ASSERT_TRUE(png.save(QString::fromStdString((dir / "png.jpg").string()), "PNG"));
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);  // no writer: a read would block
  fs::create_directory(dir / "folder.jpg");

  QFileDialog dialog(nullptr, QStringLiteral("考生照片文件"), QString::fromStdString(dir.Path().string()),
                     QStringLiteral("JPEG Image File (*.jpg)"));
  TPicturePreview* preview = AddPicturePreview(dialog);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_TRUE(preview->isVisible());
  EXPECT_TRUE(dialog.isAncestorOf(preview));

  struct Case {
    const char* name;
    bool shown;
    QSize picture;  // of the file, for the proportion
  };
  const Case cases[] = {
      {"portrait.jpg", true, {600, 800}}, {"notes.jpg", false, {}}, {"red.jpg", true, {228, 303}},
      {"png.jpg", false, {}},             {"portrait.jpg", true, {600, 800}}, {"pipe.jpg", false, {}},
      {"red.jpg", true, {228, 303}},      {"folder.jpg", false, {}},        {"missing.jpg", false, {}},
  };
  for (const Case& c : cases) {
    emit dialog.currentChanged(QString::fromStdString((dir / c.name).string()));
    EXPECT_EQ(preview->HasPicture(), c.shown) << c.name;
    const QPixmap shown = preview->pixmap();
    EXPECT_EQ(!shown.isNull(), c.shown) << c.name;
    if (!c.shown || shown.isNull()) continue;
    // Scaled down to fit the pane, proportion kept.
    const QSize room = preview->contentsRect().size();
    EXPECT_TRUE(shown.width() <= room.width() && shown.height() <= room.height()) << c.name;
    EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height()) << c.name;
    EXPECT_NEAR(double(shown.width()) / shown.height(), double(c.picture.width()) / c.picture.height(), 0.01)
        << c.name;
    if (std::string(c.name) == "red.jpg") {
      const QRgb centre = shown.toImage().pixel(shown.width() / 2, shown.height() / 2);
      EXPECT_GT(qRed(centre), 200) << std::hex << centre;
      EXPECT_LT(qBlue(centre), 60) << std::hex << centre;
    }
  }
}

}  // namespace
}  // namespace vantora::testing
