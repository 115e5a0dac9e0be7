#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/imaging/imaging_test_support.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;

class ImagingJpegFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("vantora-imaging-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path folder_;
};

TEST_F(ImagingJpegFile, SaveReplacesTheFileAndLeavesNothingElse) {
  const fs::path photo = folder_ / "41X.jpg";
  { std::ofstream(photo) << "old photo"; }
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(228, 303, 0xFF0000));
  jpeg.SaveToFile(photo.string());
  EXPECT_EQ(Entries(), std::vector<std::string>{"41X.jpg"});
  const std::string written = Contents(photo);
  const std::vector<std::uint8_t> bytes = jpeg.SaveToBytes();
  EXPECT_EQ(written, std::string(bytes.begin(), bytes.end()));
  TJPEGImage loaded;
  loaded.LoadFromFile(photo.string());
  EXPECT_EQ(loaded.Width(), 228);
  EXPECT_EQ(loaded.Height(), 303);
}

TEST_F(ImagingJpegFile, FailedCompressionKeepsTheOldFileWhole) {
  const fs::path photo = folder_ / "photo.jpg";
  { std::ofstream(photo) << "the photo that was there"; }
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(65501, 1, 0xFF0000, TPixelFormat::pf24bit));  // wider than libjpeg allows
  EXPECT_THROW(jpeg.SaveToFile(photo.string()), EJPEG);
  EXPECT_EQ(Contents(photo), "the photo that was there");
  EXPECT_EQ(Entries(), std::vector<std::string>{"photo.jpg"});
}

TEST_F(ImagingJpegFile, FolderInTheWayFailsWithCannotCreateAndLeavesNoTemporary) {
  const fs::path photo = folder_ / "photo.jpg";
  fs::create_directory(photo);
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(4, 4, 0xFF0000));
  try {
    jpeg.SaveToFile(photo.string());
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + photo.string() + "\". Is a directory");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"photo.jpg"});
  EXPECT_TRUE(fs::is_directory(photo));
}

TEST_F(ImagingJpegFile, MissingFolderFailsWithCannotCreate) {
  TJPEGImage jpeg;
  jpeg.Assign(SolidBitmap(4, 4, 0xFF0000));
  const fs::path photo = folder_ / "no-such-folder" / "x.jpg";
  try {
    jpeg.SaveToFile(photo.string());
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + photo.string() + "\". No such file or directory");
  }
}

TEST_F(ImagingJpegFile, RelativeNamesAreExpandedInOpenErrors) {
  const fs::path saved = fs::current_path();
  fs::current_path(folder_);
  TJPEGImage jpeg;
  std::string text;
  try {
    jpeg.LoadFromFile("sub/../missing.jpg");
  } catch (const EFOpenError& e) {
    text = e.what();
  }
  fs::current_path(saved);
  EXPECT_EQ(text, "Cannot open file \"" + (folder_ / "missing.jpg").string() + "\". No such file or directory");
  EXPECT_THROW(jpeg.LoadFromFile(folder_.string()), EFOpenError) << "a folder is not a picture";
  // A pipe without a writer would block a plain open for good.
  ASSERT_EQ(::mkfifo((folder_ / "pipe.jpg").c_str(), 0600), 0);
  EXPECT_THROW(jpeg.LoadFromFile((folder_ / "pipe.jpg").string()), EFOpenError) << "a pipe is not a picture";
}

TEST_F(ImagingJpegFile, EmptyImageSavesAnEmptyFile) {
  TJPEGImage jpeg;
  const fs::path photo = folder_ / "empty.jpg";
  jpeg.SaveToFile(photo.string());
  EXPECT_TRUE(fs::exists(photo));
  EXPECT_EQ(fs::file_size(photo), 0u);
}

}  // namespace
}  // namespace vantora::testing
