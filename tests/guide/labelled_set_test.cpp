// The detector and the rule on the labelled frames, read as "拍照" reads
// the frame: decoded to a 24-bit bitmap, the portrait's strip in grey.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/photo_geometry.h"
#include "guide/face_detector.h"
#include "imaging/bitmap.h"
#include "imaging/jpeg_image.h"

namespace vantora::guide {
namespace {

constexpr std::array kNames = {"kNoFace",   "kSeveralFaces", "kMoveCloser", "kMoveBack",     "kFaceLeft",
                               "kFaceRight", "kFaceHigh",     "kFaceLow",    "kPositionRight"};

int IndexOf(const std::string& name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (name == kNames[i]) return static_cast<int>(i);
  }
  ADD_FAILURE() << "unknown verdict " << name;
  return 0;
}

TEST(LabelledSet, NoRightVerdictWithoutOneFaceAndRightOnNineteenInTwenty) {
  const auto detector = TFaceDetector::Load();
  ASSERT_TRUE(detector) << "the cascades of opencv-data could not be loaded";
  std::ifstream labels(VANTORA_GUIDE_DATA "/labels.csv");
  std::string line;
  ASSERT_TRUE(std::getline(labels, line)) << "no labels.csv";
  std::array<std::array<int, kNames.size()>, kNames.size()> table{};
  int portraits = 0, portraitsRight = 0, frames = 0;
  std::chrono::duration<double, std::milli> finding{};
  while (std::getline(labels, line)) {
    const std::string file = line.substr(0, line.find(','));
    const int expected = IndexOf(line.substr(line.find(',') + 1));
    TJPEGImage jpeg;
    jpeg.LoadFromFile(VANTORA_GUIDE_DATA "/" + file);
    TBitmap frame;
    jpeg.AssignTo(frame);
    frame.SetPixelFormat(TPixelFormat::pf24bit);
    const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
    const auto panel = GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width);
    ASSERT_TRUE(panel) << file;
    const auto start = std::chrono::steady_clock::now();
    const TFaceVerdict verdict = JudgeFace(detector->Find(*panel)).verdict;
    finding += std::chrono::steady_clock::now() - start;
    ++frames;
    const int got = static_cast<int>(verdict);
    ++table[expected][got];
    const bool oneFace = expected != static_cast<int>(TFaceVerdict::kNoFace) &&
                         expected != static_cast<int>(TFaceVerdict::kSeveralFaces);
    if (!oneFace) {
      EXPECT_NE(verdict, TFaceVerdict::kPositionRight) << file;
    }
    if (oneFace) ++portraits;
    if (oneFace && got == expected) ++portraitsRight;
    if (got != expected) std::printf("  %s: %s\n", file.c_str(), kNames[got]);
  }
  std::printf("expected \\ got:");
  for (std::size_t g = 0; g < kNames.size(); ++g) std::printf(" %.6s", kNames[g] + 1);
  for (std::size_t e = 0; e < kNames.size(); ++e) {
    std::printf("\n%-14s", kNames[e]);
    for (int n : table[e]) std::printf(" %6d", n);
  }
  std::printf("\nportraits right: %d of %d; %.1f ms per Find and judgement\n", portraitsRight, portraits,
              finding.count() / frames);
  EXPECT_GE(portraits, 60);
  EXPECT_GE(portraitsRight * 100, portraits * 95);
}

}  // namespace
}  // namespace vantora::guide
