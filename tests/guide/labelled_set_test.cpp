// The detector and the rule on the labelled frames, read as "拍照" reads the
// frame: decoded to a 24-bit bitmap, the portrait's strip in grey.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/photo_geometry.h"
#include "guide/face_detector.h"
#include "imaging/bitmap.h"
#include "imaging/jpeg_image.h"

namespace vantora::guide {

constexpr std::array<const char*, 9> kNames = {"kNoFace",   "kSeveralFaces", "kMoveCloser", "kMoveBack",     "kFaceLeft",
                                               "kFaceRight", "kFaceHigh",     "kFaceLow",    "kPositionRight"};

TEST(LabelledSet, NoRightVerdictWithoutOneFaceAndRightOnNineteenInTwenty) {
  const auto detector = TFaceDetector::Load();
  ASSERT_TRUE(detector) << "the cascades of opencv-data could not be loaded";
  std::ifstream labels(VANTORA_GUIDE_DATA "/labels.csv");
  std::string file, label;
  std::getline(labels, file);  // the header
  std::array<std::array<int, 9>, 9> table{};
  int portraits = 0, portraitsRight = 0;
  while (std::getline(labels, file, ',') && std::getline(labels, label)) {
    const auto expected = std::find(kNames.begin(), kNames.end(), label) - kNames.begin();
    ASSERT_LT(expected, 9) << label;
    TJPEGImage jpeg;
    jpeg.LoadFromFile(VANTORA_GUIDE_DATA "/" + file);
    TBitmap frame(jpeg.DecodedBitmap());
    frame.SetPixelFormat(TPixelFormat::pf24bit);
    const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
    const auto panel = GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width);
    ASSERT_TRUE(panel) << file;
    const auto got = static_cast<int>(JudgeFace(detector->Find(*panel)).verdict);
    ++table[expected][got];
    const bool oneFace = expected > static_cast<int>(TFaceVerdict::kSeveralFaces);
    EXPECT_TRUE(oneFace || got != static_cast<int>(TFaceVerdict::kPositionRight)) << file;
    portraits += oneFace;
    portraitsRight += oneFace && got == expected;
    if (got != expected) std::printf("  %s: %s\n", file.c_str(), kNames[got]);
  }
  std::printf("expected \\ got: NoFace Severa MoveCl MoveBa FaceLe FaceRi FaceHi FaceLo Positi");
  for (int e = 0; e < 9; ++e) {
    std::printf("\n%-14s", kNames[e]);
    for (int n : table[e]) std::printf(" %6d", n);
  }
  std::printf("\nportraits right: %d of %d\n", portraitsRight, portraits);
  EXPECT_GE(portraits, 60);
  EXPECT_GE(portraitsRight * 100, portraits * 95);
}

}  // namespace vantora::guide
