// The picture pane of the open-picture chooser, in a Qt file dialog of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileDialog>
#include <QImage>
#include <QTest>
#include <QThreadPool>
#include <cstdlib>

#include "framework/picture_preview.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {
namespace {

TEST(PicturePreviewTest, ShowsTheSelectedJpegScaledToFitAndNothingForAnythingElse) {
  TempDir dir;
  const std::string data = std::getenv("VANTORA_TESTDATA");
  std::filesystem::copy_file(data + "/portrait-600x800.jpg", dir / "portrait.jpg");
  std::filesystem::copy_file(data + "/red-228x303.jpg", dir / "red.jpg");
  Spit(dir / "notes.jpg", "not a picture\n");
  QImage png(40, 40, QImage::Format_RGB32);
  png.fill(Qt::green);
  ASSERT_TRUE(png.save(QString::fromStdString((dir / "png.jpg").string()), "PNG"));
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);  // no writer: a read would block
  std::filesystem::create_directory(dir / "folder.jpg");

  // The dialog's file listing leaves pooled threads behind; they are ended
  // before the test ends, not while the leak check runs at exit.
  struct JoinPooledThreads {
    ~JoinPooledThreads() { QThreadPool::globalInstance()->waitForDone(); }
  } joinPooledThreads;
  QFileDialog dialog(nullptr, "考生照片文件", QString::fromStdString(dir.Path().string()), "JPEG Image File (*.jpg)");
  TPicturePreview* preview = AddPicturePreview(dialog);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_TRUE(preview->isVisible());

  // The file made current in the list, and the proportion of its picture (0: none shown).
  const std::pair<const char*, double> cases[] = {
      {"portrait.jpg", 600.0 / 800}, {"notes.jpg", 0}, {"red.jpg", 228.0 / 303}, {"png.jpg", 0},
      {"portrait.jpg", 600.0 / 800}, {"pipe.jpg", 0},  {"folder.jpg", 0},        {"missing.jpg", 0},
      {"red.jpg", 228.0 / 303},
  };
  for (const auto& [name, proportion] : cases) {
    emit dialog.currentChanged(QString::fromStdString((dir / name).string()));
    const QPixmap shown = preview->pixmap();
    ASSERT_EQ(!shown.isNull(), proportion > 0) << name;
    if (shown.isNull()) continue;
    const QSize room = preview->contentsRect().size();  // scaled down to fit, proportion kept
    EXPECT_TRUE(shown.width() <= room.width() && shown.height() <= room.height()) << name;
    EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height()) << name;
    EXPECT_NEAR(double(shown.width()) / shown.height(), proportion, 0.01) << name;
  }
  const QRgb centre = preview->pixmap().toImage().pixel(preview->pixmap().rect().center());  // red.jpg's picture
  EXPECT_TRUE(qRed(centre) > 200 && qBlue(centre) < 60) << std::hex << centre;
}

}  // namespace
}  // namespace vantora::testing
