// The arithmetic and naming rules the take-photo, save and upload steps share.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/photo_file.h"
#include "app/photo_geometry.h"
#include "upload/photo_upload.h"

namespace vantora {
namespace {

TEST(PhotoRules, RoundingSendsExactHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(88.5L), 88);
  EXPECT_EQ(RoundHalfEven(89.5L), 90);
  EXPECT_EQ(RoundHalfEven(-50.5L), -50);
  EXPECT_EQ(RoundHalfEven(-75.5L), -76);
  EXPECT_EQ(RoundHalfEven(361.188L), 361);
}

struct CropCase {
  int frameWidth, frameHeight;
  int width, column;
};

TEST(PhotoRules, PortraitIsCutFromTheMiddleOfTheFrame) {
  const CropCase cases[] = {
      {640, 480, 361, 139},   {320, 240, 181, 70},   {1280, 720, 542, 369},
      {405, 303, 228, 88},    {1920, 1080, 813, 554}, {228, 303, 228, 0},
      {200, 400, 301, -50},  // narrower than the proportion: the cut starts left of the frame
  };
  for (const auto& c : cases) {
    const PortraitGeometry g = PortraitGeometryFor(c.frameWidth, c.frameHeight);
    EXPECT_EQ(g.width, c.width) << c.frameWidth << "x" << c.frameHeight;
    EXPECT_EQ(g.height, c.frameHeight) << c.frameWidth << "x" << c.frameHeight;
    EXPECT_EQ(g.sourceColumn, c.column) << c.frameWidth << "x" << c.frameHeight;
  }
}

TEST(PhotoRules, OnlyAFrameBelowBothLimitsIsTooSmall) {
  EXPECT_TRUE(FrameTooSmallForPortrait(176, 144));
  EXPECT_TRUE(FrameTooSmallForPortrait(0, 0));
  EXPECT_TRUE(FrameTooSmallForPortrait(227, 302));
  EXPECT_FALSE(FrameTooSmallForPortrait(320, 240));  // wide enough
  EXPECT_FALSE(FrameTooSmallForPortrait(200, 400));  // tall enough
  EXPECT_FALSE(FrameTooSmallForPortrait(228, 10));
}

TEST(PhotoRules, SavedPhotoIs303RowsWithTheProportionalWidth) {
  EXPECT_EQ(SavedPhotoWidth(361, 480), 228);
  EXPECT_EQ(SavedPhotoWidth(181, 240), 229);  // scaled up
  EXPECT_EQ(SavedPhotoWidth(542, 720), 228);
  EXPECT_EQ(SavedPhotoWidth(813, 1080), 228);
  EXPECT_THROW(SavedPhotoWidth(10, 0), std::exception);
}

TEST(PhotoRules, FileNameInsertsOneSeparatorOnlyWhenMissing) {
  EXPECT_EQ(PhotoFileNameFor("/photos", "41X"), "/photos/41X.jpg");
  EXPECT_EQ(PhotoFileNameFor("/opt/vantora/", "41X"), "/opt/vantora/41X.jpg");
  EXPECT_EQ(PhotoFileNameFor("", "41X"), "/41X.jpg");
  EXPECT_EQ(PhotoFileNameFor("/photos", ""), "/photos/.jpg");
  EXPECT_EQ(FileNamePart("/photos/41X.jpg"), "41X.jpg");
  EXPECT_EQ(FileNamePart("41X.jpg"), "41X.jpg");
  // The name the upload sends: the Windows form the sites' pages cut at the last backslash.
  EXPECT_EQ(UploadFileName("/home/op/Pictures/Vantora/11010519491231002X.jpg"),
            "Z:\\home\\op\\Pictures\\Vantora\\11010519491231002X.jpg");
  std::string here = "Z:" + std::filesystem::current_path().string() + "/Vantora/41X.jpg";
  std::replace(here.begin(), here.end(), '/', '\\');
  EXPECT_EQ(UploadFileName("./Vantora/41X.jpg"), here);
}

TEST(PhotoRules, IdsThatCouldLeaveThePhotoFolderAreUnsafe) {
  EXPECT_TRUE(IsSafePhotoId("11010519491231002X"));
  EXPECT_TRUE(IsSafePhotoId(""));
  EXPECT_TRUE(IsSafePhotoId(".."));  // becomes the file "...jpg" inside the folder
  EXPECT_FALSE(IsSafePhotoId("../../ETC/X"));
  EXPECT_FALSE(IsSafePhotoId(std::string("12\0" "34", 5)));
  EXPECT_FALSE(IsSafePhotoId("12\n34"));
  EXPECT_FALSE(IsSafePhotoId("12\x7F" "34"));
}

TEST(PhotoRules, OnlyARegularFileIsAnExistingPhoto) {
  char pattern[] = "/tmp/vantora-photo-rules-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  EXPECT_FALSE(PhotoFileExists(dir + "/none.jpg"));
  ASSERT_EQ(mkdir((dir + "/41X.jpg").c_str(), 0755), 0);
  EXPECT_FALSE(PhotoFileExists(dir + "/41X.jpg"));
  std::ofstream(dir + "/42X.jpg") << "x";
  EXPECT_TRUE(PhotoFileExists(dir + "/42X.jpg"));
  ASSERT_EQ(mkfifo((dir + "/43X.jpg").c_str(), 0600), 0);
  EXPECT_FALSE(PhotoFileExists(dir + "/43X.jpg"));  // opening it to upload would block
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace vantora
