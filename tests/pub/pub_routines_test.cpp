// The two routines of unit pub that the FTP dialog uses: the in-place JPEG
// rescale and the grid emptying.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/string_grid.h"
#include "imaging/graphics.h"
#include "pub/clear_grid.h"
#include "pub/resize_jpeg.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;

std::string TestData(const std::string& name) { return std::string(std::getenv("VANTORA_TESTDATA")) + "/" + name; }

// A JPEG of width x height: the left half red, the right half blue.
void WriteTwoColourJpeg(const fs::path& file, int width, int height) {
  TBitmap picture;
  picture.NewDIB24(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const bool left = x < width / 2;
      row[3 * x + 0] = left ? 0 : 255;  // blue
      row[3 * x + 1] = 0;
      row[3 * x + 2] = left ? 255 : 0;  // red
    }
  }
  TJPEGImage jpeg;
  jpeg.Assign(picture);
  jpeg.SaveToFile(file.string());
}

struct Size {
  int width;
  int height;
};

Size JpegSize(const fs::path& file) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file.string());
  return {jpeg.Width(), jpeg.Height()};
}

bool Reddish(std::uint32_t rgb) { return (rgb >> 16) > 200 && (rgb & 0xFF) < 60; }
bool Bluish(std::uint32_t rgb) { return (rgb >> 16) < 60 && (rgb & 0xFF) > 200; }

class ResizeJpegInPlaceTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ResizeJpegInPlaceTest, BringsEveryPhotoToAtMost303RowsWithTheRoundedWidth) {
  struct Case {
    const char* source;  // a test data file, or empty for a made one
    int width, height;
    int expectedWidth, expectedHeight;
  };
  const Case cases[] = {
      {"portrait-600x800.jpg", 600, 800, 227, 303},     // 227.25
      {"landscape-1024x768.jpg", 1024, 768, 404, 303},  // 404.0
      {"red-228x303.jpg", 228, 303, 228, 303},          // kept
      {"", 453, 606, 226, 303},                         // 226.5 goes to the even 226
      {"", 455, 606, 228, 303},                         // 227.5 goes to the even 228
      {"", 200, 304, 199, 303},                         // one row over the limit (199.3)
      {"", 120, 90, 120, 90},                           // small ones keep their size
      {"", 1, 700, 1, 303},                             // 0.43 would leave no column at all
  };
  for (const Case& c : cases) {
    const fs::path file = dir / (std::to_string(c.width) + "x" + std::to_string(c.height) + ".jpg");
    if (*c.source != '\0') {
      fs::copy_file(TestData(c.source), file);
    } else {
      WriteTwoColourJpeg(file, c.width, c.height);
    }
    ASSERT_EQ(JpegSize(file).width, c.width) << file;
    const std::vector<std::uint8_t> written = ResizeJpegInPlace(file.string());
    EXPECT_EQ(std::string(written.begin(), written.end()), Slurp(file)) << file;  // what it gives back is the file
    const Size after = JpegSize(file);
    EXPECT_EQ(after.width, c.expectedWidth) << file;
    EXPECT_EQ(after.height, c.expectedHeight) << file;
  }
}

TEST_F(ResizeJpegInPlaceTest, StretchesThePictureItselfAndWritesABaselineFile) {
  const fs::path file = dir / "two.jpg";
  WriteTwoColourJpeg(file, 455, 606);
  const std::string before = Slurp(file);
  ResizeJpegInPlace(file.string());
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file.string());
  EXPECT_FALSE(jpeg.ProgressiveFile());
  const TBitmap& picture = jpeg.DecodedBitmap();
  EXPECT_TRUE(Reddish(picture.PixelRGB(20, 150))) << std::hex << picture.PixelRGB(20, 150);
  EXPECT_TRUE(Bluish(picture.PixelRGB(200, 150))) << std::hex << picture.PixelRGB(200, 150);
  EXPECT_TRUE(Reddish(picture.PixelRGB(20, 300)));
  EXPECT_NE(Slurp(file), before);
}

// A test data file cut where its n-th scan's data begins (`skip` bytes
// into it), or at that scan's marker; then `tail`.
std::string CutAtScan(const std::string& name, int n, bool atMarker, std::size_t skip = 0, const std::string& tail = "") {
  const std::string bytes = Slurp(TestData(name));
  std::size_t at = bytes.find("\xFF\xDA");
  while (n-- > 0) at = bytes.find("\xFF\xDA", at + 2);
  const std::size_t length = static_cast<std::uint8_t>(bytes[at + 2]) << 8 | static_cast<std::uint8_t>(bytes[at + 3]);
  return bytes.substr(0, atMarker ? at : at + 2 + length + skip) + tail;
}

TEST_F(ResizeJpegInPlaceTest, AFileThatCannotBeDecodedWholeIsLeftAsItWas) {
  const std::string end("\xFF\xD9", 2);
  const std::string portrait = "portrait-600x800.jpg";
  const std::pair<const char*, std::string> cases[] = {
      {"garbage-after-soi.jpg", Slurp(TestData("garbage-after-soi.jpg"))},
      {"empty.jpg", ""},
      {"huge-dimensions-header.jpg", Slurp(TestData("huge-dimensions-header.jpg"))},
      // Data that ends early would decode half grey; here it fails.
      {"truncated-640x480.jpg", Slurp(TestData("truncated-640x480.jpg"))},
      {"header-only.jpg", CutAtScan(portrait, 0, false)},
      {"header-then-end.jpg", CutAtScan(portrait, 0, false, 0, end)},
      {"half-a-scan.jpg", CutAtScan(portrait, 0, false, 4000, end)},
      {"first-scans-only.jpg", CutAtScan("progressive-640x480.jpg", 2, true)},
  };
  for (const auto& [name, bytes] : cases) {
    const fs::path file = dir / name;
    Spit(file, bytes);
    EXPECT_ANY_THROW(ResizeJpegInPlace(file.string())) << name;
    EXPECT_TRUE(Slurp(file) == bytes) << name << " was changed";
  }
  EXPECT_ANY_THROW(ResizeJpegInPlace((dir / "missing.jpg").string()));
  EXPECT_FALSE(fs::exists(dir / "missing.jpg"));
}

TEST_F(ResizeJpegInPlaceTest, APipeIsRefusedAtOnceInsteadOfWaitingForAWriter) {
  const fs::path pipe = dir / "pipe.jpg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_ANY_THROW(ResizeJpegInPlace(pipe.string()));
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(ResizeJpegInPlaceTest, AFailedWriteLeavesTheOriginalPhotoWhole) {
  // A file system with no room for the new file beside the old one.
  const fs::path full = dir / "full";
  fs::create_directory(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  const fs::path file = full / "photo.jpg";
  fs::copy_file(TestData("landscape-1024x768.jpg"), file);
  const std::string before = Slurp(file);
  {
    std::ofstream filler(full / "filler", std::ios::binary);
    const std::string block(1024, 'F');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  EXPECT_ANY_THROW(ResizeJpegInPlace(file.string()));
  EXPECT_EQ(Slurp(file), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(full), fs::directory_iterator()), 2);  // nothing left behind
  umount(full.c_str());
}

TEST_F(ResizeJpegInPlaceTest, RewritesThePhotoWhereItReallyIsAndKeepsWhoOwnsIt) {
  // Through a link: the photo it leads to is rescaled, the link stays.
  const fs::path photo = dir / "photo.jpg";
  const fs::path link = dir / "link.jpg";
  fs::copy_file(TestData("portrait-600x800.jpg"), photo);
  fs::create_symlink(photo, link);
  ResizeJpegInPlace(link.string());
  EXPECT_TRUE(fs::is_symlink(link) && fs::read_symlink(link) == photo);
  EXPECT_EQ(JpegSize(photo).width, 227);

  // Mode bits (owner and group: see the next test).
  ASSERT_EQ(::chmod(photo.c_str(), 02750), 0);
  struct stat before {};
  ASSERT_EQ(::stat(photo.c_str(), &before), 0);
  ResizeJpegInPlace(photo.string());
  struct stat after {};
  ASSERT_EQ(::stat(photo.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);

  // A photo that may not be rewritten where it is (a read-only file system
  // holds it; no right of root overrides that) is left as it was, and a
  // link to it is not replaced by a new file either.
  const fs::path locked = dir / "locked";
  fs::create_directory(locked);
  if (mount("tmpfs", locked.c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  fs::copy_file(TestData("portrait-600x800.jpg"), locked / "photo.jpg");
  const std::string original = Slurp(locked / "photo.jpg");
  ASSERT_EQ(mount("tmpfs", locked.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  fs::create_symlink(locked / "photo.jpg", dir / "to-locked.jpg");
  for (const fs::path& name : {locked / "photo.jpg", dir / "to-locked.jpg"}) {
    EXPECT_ANY_THROW(ResizeJpegInPlace(name.string())) << name;
    EXPECT_TRUE(Slurp(locked / "photo.jpg") == original) << name << " was changed";
  }
  EXPECT_TRUE(fs::is_symlink(dir / "to-locked.jpg"));
  umount(locked.c_str());
}

// Only a privileged process may give a file away, and only one that may do
// so can tell a kept owner from a new file's (CI runs as root; an ordinary
// user runs this binary as root of a namespace that maps no other id).
TEST_F(ResizeJpegInPlaceTest, KeepsWhoOwnsThePhotoWhereTheProcessMayGiveIt) {
  const fs::path photo = dir / "photo.jpg";
  fs::copy_file(TestData("portrait-600x800.jpg"), photo);
  if (::chown(photo.c_str(), 1234, 5678) != 0) {
    GTEST_SKIP() << "needs root: this process may not give a file away (" << std::strerror(errno) << ")";
  }
  // A change of owner clears a set-group-id bit, so the writer must set the owner first.
  ASSERT_EQ(::chmod(photo.c_str(), 02750), 0);
  ResizeJpegInPlace(photo.string());
  struct stat after {};
  ASSERT_EQ(::stat(photo.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 1234u);
  EXPECT_EQ(after.st_gid, 5678u);
  EXPECT_EQ(after.st_mode & 07777, 02750u);
}

TEST(ClearGridTest, EmptiesEveryEntryRowAndKeepsTheHeader) {
  TStringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(4);
  grid.SetCell(0, 0, "序号");
  grid.SetCell(2, 0, "备注");
  for (int row = 1; row < 4; ++row) {
    for (int column = 0; column < 3; ++column) grid.SetCell(column, row, "x" + std::to_string(row));
  }
  ClearGrid(grid);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.Cell(0, 0), "序号");
  EXPECT_EQ(grid.Cell(2, 0), "备注");
  for (int column = 0; column < 3; ++column) EXPECT_EQ(grid.Cell(column, 1), "") << column;
}

}  // namespace
}  // namespace vantora::testing
