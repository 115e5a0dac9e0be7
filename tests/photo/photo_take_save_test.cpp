// "拍照" and "保存" through the real window, with live test cameras.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <sys/mount.h>

#include <filesystem>

#include "pub/pub.h"
#include "tests/photo/photo_fixture.h"
#include "upload/net_form.h"
#include "upload/sc_form.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kTooSmall[] = "分辨率低于303*228！不能截取照片";
constexpr char kSaveFailed[] = "保存照片失败!";

bool IsWhite(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) > 235 && ((rgb >> 8) & 0xFF) > 235 && (rgb & 0xFF) > 235;
}
bool IsDark(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) < 110 && ((rgb >> 8) & 0xFF) < 110 && (rgb & 0xFF) < 110;
}

TBitmap LoadJpeg(const fs::path& file) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file.string());
  TBitmap bitmap;
  jpeg.AssignTo(bitmap);
  return bitmap;
}

TEST_F(PhotoRoadTest, TakePhotoCutsTheMiddleOfEachFrame) {
  struct Case {
    Camera camera;
    int width, height, column;
  };
  const Case cases[] = {{k640x480, 361, 480, 139}, {k320x240, 181, 240, 70}, {k1280x720, 542, 720, 369}};
  ShowWithPhotoFolder(photos.Path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Choose(c.camera);
    main->BitBtn1->click();
    EXPECT_TRUE(TakeBoxTexts().empty());
    const TBitmap& photo = PhotoView();
    ASSERT_EQ(photo.Width(), c.width);
    ASSERT_EQ(photo.Height(), c.height);
    EXPECT_TRUE(main->BitBtn2->isEnabled());
    // Above the band every pixel is the frame's pixel `column` places to the right.
    const TBitmap& frame = main->Image2->Picture().Bitmap();
    ASSERT_EQ(frame.Width(), c.width == 181 ? 320 : c.width == 361 ? 640 : 1280);
    for (int y : {0, c.height / 2, c.height - 36}) {
      for (int x : {0, c.width / 3, c.width - 1}) {
        ASSERT_EQ(photo.PixelRGB(x, y), frame.PixelRGB(x + c.column, y)) << x << "," << y;
      }
    }
    // The band: the bottom 35 rows, white at both ends.
    EXPECT_TRUE(IsWhite(photo.PixelRGB(0, c.height - 35)));
    EXPECT_TRUE(IsWhite(photo.PixelRGB(c.width - 1, c.height - 1)));
  }
}

TEST_F(PhotoRoadTest, AFrameBelowBothLimitsChangesNothing) {
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  main->BitBtn1->click();
  const TBitmap before = PhotoView();
  Choose(k176x144);
  main->BitBtn1->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Information");
  EXPECT_EQ(TakeBoxTexts(), std::vector<std::string>{kTooSmall});
  EXPECT_EQ(PhotoView().Width(), before.Width());
  EXPECT_EQ(PhotoView().PixelRGB(100, 100), before.PixelRGB(100, 100));
  EXPECT_TRUE(main->BitBtn2->isEnabled());  // still the earlier portrait to save
}

TEST_F(PhotoRoadTest, SaveNamesTheFileByTheNormalisedIdAndKeepsTheRawText) {
  TMain& m = ShowWithPhotoFolder(photos.Path());
  m.SetEdit1Text(" 41x ");
  Choose(k640x480);
  m.BitBtn1->click();
  m.BitBtn2->click();
  EXPECT_TRUE(TakeBoxTexts().empty());
  const fs::path file = photos / "41X.jpg";
  ASSERT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(m.PhotoFileName, file.string());
  EXPECT_EQ(UserInfo.fuser, " 41x ");
  EXPECT_EQ(LoadUserInfo().fuser, " 41x ");
  EXPECT_FALSE(m.BitBtn2->isEnabled());
  EXPECT_TRUE(m.BitBtn4->isEnabled());

  const TBitmap saved = LoadJpeg(file);
  ASSERT_EQ(saved.Width(), 228);
  ASSERT_EQ(saved.Height(), 303);
  // The band is about 22 rows in the saved file: white at its edges, dark
  // glyph pixels of "41x" in its middle only.
  int dark = 0;
  for (int y = 285; y < 303; ++y) {
    EXPECT_TRUE(IsWhite(saved.PixelRGB(2, y))) << y;
    EXPECT_TRUE(IsWhite(saved.PixelRGB(225, y))) << y;
    for (int x = 0; x < 228; ++x) {
      if (IsDark(saved.PixelRGB(x, y))) {
        ++dark;
        EXPECT_GT(x, 70);
        EXPECT_LT(x, 158);
      }
    }
  }
  EXPECT_GT(dark, 20);
}

// The ID number and the FTP user name share one field: after a save the
// network dialog shows the number as the user name.
TEST_F(PhotoRoadTest, AfterASaveTheNetworkDialogShowsTheIdAsTheUserName) {
  TMain& m = ShowWithPhotoFolder(photos.Path());
  TNetForm net;
  TScForm sc;
  m.AttachDialogs(&net, &sc);
  m.SetEdit1Text("11010519491231002X");
  Choose(k640x480);
  m.BitBtn1->click();
  m.BitBtn2->click();
  ASSERT_TRUE(fs::is_regular_file(photos / "11010519491231002X.jpg"));
  std::string userName;
  QTimer::singleShot(0, [&] {
    userName = net.Edit2->text().toStdString();
    net.BitBtn2->click();
  });
  m.N3->trigger();
  EXPECT_EQ(userName, "11010519491231002X");
  EXPECT_FALSE(net.isVisible());
}

TEST_F(PhotoRoadTest, ASmallFrameIsScaledUpTo303Rows) {
  TMain& m = ShowWithPhotoFolder(photos.Path());
  m.SetEdit1Text("110105194912310021");
  Choose(k320x240);
  m.BitBtn1->click();
  m.BitBtn2->click();
  const TBitmap saved = LoadJpeg(photos / "110105194912310021.jpg");
  EXPECT_EQ(saved.Width(), 229);
  EXPECT_EQ(saved.Height(), 303);
}

TEST_F(PhotoRoadTest, AnExistingPhotoIsReplacedOnlyAfterYes) {
  TMain& m = ShowWithPhotoFolder(photos.Path());
  std::ofstream(photos / "41X.jpg") << "the earlier photo";
  m.SetEdit1Text("41x");
  Choose(k640x480);
  m.BitBtn1->click();

  prompter.AnswerNextBox(MsgButton::No);
  m.BitBtn2->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, "文件【41X.jpg】已存在，是否覆盖?");
  EXPECT_EQ(prompter.Boxes()[0].caption, "Confirm");
  EXPECT_EQ(prompter.Boxes()[0].buttons, (std::vector<MsgButton>{MsgButton::Yes, MsgButton::No}));
  EXPECT_EQ(Slurp(photos / "41X.jpg"), "the earlier photo");
  EXPECT_TRUE(m.BitBtn2->isEnabled());
  EXPECT_FALSE(m.BitBtn4->isEnabled());
  EXPECT_EQ(UserInfo.fuser, "");
  prompter.Clear();

  prompter.AnswerNextBox(MsgButton::Yes);
  m.BitBtn2->click();
  EXPECT_EQ(TakeBoxTexts().size(), 1u);
  EXPECT_EQ(LoadJpeg(photos / "41X.jpg").Height(), 303);
  EXPECT_EQ(UserInfo.fuser, "41x");
}

TEST_F(PhotoRoadTest, AFolderWhereThePhotoWouldGoFailsTheSave) {
  TMain& m = ShowWithPhotoFolder(photos.Path());
  fs::create_directory(photos / "41X.jpg");
  m.SetEdit1Text("41x");
  Choose(k640x480);
  m.BitBtn1->click();
  m.BitBtn2->click();
  ASSERT_EQ(TakeBoxTexts(), std::vector<std::string>{kSaveFailed});
  EXPECT_EQ(prompter.Boxes().size(), 0u);
  EXPECT_TRUE(fs::is_directory(photos / "41X.jpg"));
  EXPECT_EQ(UserInfo.fuser, "41x");  // stored after a failed save too
  EXPECT_FALSE(m.BitBtn2->isEnabled());
  EXPECT_FALSE(m.BitBtn4->isEnabled());
  EXPECT_EQ(std::distance(fs::directory_iterator(photos.Path()), fs::directory_iterator()), 1);
}

TEST_F(PhotoRoadTest, AnIdFromTheClipboardNeverNamesAFileOutsideThePhotoFolder) {
  const fs::path folder = photos / "inner" / "photos";
  fs::create_directories(folder);
  TMain& m = ShowWithPhotoFolder(folder);
  QGuiApplication::clipboard()->setText("photo../../x");
  ASSERT_EQ(m.Edit1Text(), "../../x");
  Choose(k640x480);
  m.BitBtn1->click();
  m.BitBtn2->click();
  ASSERT_EQ(TakeBoxTexts(), std::vector<std::string>{kSaveFailed});
  EXPECT_FALSE(fs::exists(photos / "X.jpg"));
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_EQ(UserInfo.fuser, "../../x");
  EXPECT_FALSE(m.BitBtn2->isEnabled());
}

TEST_F(PhotoRoadTest, ASaveThatFailsAfterYesKeepsTheEarlierPhotoWhole) {
  // A file system with no room left: the new photo cannot be written.
  const fs::path full = photos / "full";
  fs::create_directory(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  const std::string earlier(20000, 'E');
  std::ofstream(full / "41X.jpg", std::ios::binary) << earlier;
  {
    std::ofstream filler(full / "filler", std::ios::binary);
    const std::string block(4096, 'F');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  TMain& m = ShowWithPhotoFolder(full);
  m.SetEdit1Text("41x");
  Choose(k640x480);
  m.BitBtn1->click();
  prompter.AnswerNextBox(MsgButton::Yes);
  m.BitBtn2->click();
  const auto texts = TakeBoxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], kSaveFailed);
  EXPECT_EQ(Slurp(full / "41X.jpg"), earlier);
  EXPECT_EQ(std::distance(fs::directory_iterator(full), fs::directory_iterator()), 2);  // nothing left behind
  EXPECT_FALSE(m.BitBtn2->isEnabled());
  umount(full.c_str());
}

}  // namespace
}  // namespace vantora::testing
