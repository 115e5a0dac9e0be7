// The rule on boxes and eye lines at each tolerance's edge.
#include <gtest/gtest.h>

#include "guide/face_rule.h"

namespace vantora::guide {
namespace {

using V = TFaceVerdict;

// A box of `width` whose middle is `middle`, top at `top`.
TBox Box(int width, int middle = kCentreColumn, int top = 109) { return {middle - width / 2, top, width, width}; }

struct Case {
  const char* what;
  std::vector<TBox> faces;
  std::optional<int> eyes;
  V verdict;
};

TEST(FaceRule, VerdictAtEachBoundary) {
  const int w = kIdealFaceWidth;
  const std::vector<Case> cases = {
      {"empty", {}, {}, V::kNoFace},
      {"two", {Box(w), Box(60, 40)}, 130, V::kSeveralFaces},
      {"ideal", {Box(w)}, 131, V::kPositionRight},
      {"smallest that fits", {Box(kSmallestFaceWidth)}, 131, V::kPositionRight},
      {"one narrower", {Box(kSmallestFaceWidth - 1)}, 131, V::kMoveCloser},
      {"largest that fits", {Box(kLargestFaceWidth)}, 131, V::kPositionRight},
      {"one wider", {Box(kLargestFaceWidth + 1)}, 131, V::kMoveBack},
      {"left at the tolerance", {Box(w, kCentreColumn - kCentreTolerance)}, 131, V::kPositionRight},
      {"one further left", {Box(w, kCentreColumn - kCentreTolerance - 1)}, 131, V::kFaceLeft},
      {"right at the tolerance", {Box(w, kCentreColumn + kCentreTolerance)}, 131, V::kPositionRight},
      {"one further right", {Box(w, kCentreColumn + kCentreTolerance + 1)}, 131, V::kFaceRight},
      {"odd width, half a pixel left", {{kCentreColumn - kCentreTolerance - 48, 109, 95, 95}}, 131, V::kFaceLeft},
      {"eyes on PB", {Box(w)}, kEyeBandTop, V::kPositionRight},
      {"eyes above PB", {Box(w)}, kEyeBandTop - 1, V::kFaceHigh},
      {"eyes on Pb1", {Box(w)}, kEyeBandBottom, V::kPositionRight},
      {"eyes below Pb1", {Box(w)}, kEyeBandBottom + 1, V::kFaceLow},
      {"estimated eyes on PB", {Box(w, kCentreColumn, kEyeBandTop - 22)}, {}, V::kPositionRight},
      {"estimated eyes above PB", {Box(w, kCentreColumn, kEyeBandTop - 23)}, {}, V::kFaceHigh},
      // A box cut short by an edge is too small, but the way to go is away from the edge.
      {"small at the left edge", {{kEdgeMargin - 1, 110, 60, 60}}, 131, V::kFaceLeft},
      {"small at the right edge", {{kPanelWidth - kEdgeMargin - 59, 110, 60, 60}}, 131, V::kFaceRight},
      {"at the top edge", {{67, kEdgeMargin - 1, w, w}}, 131, V::kFaceHigh},
      {"just clear of the band", {Box(kLargestFaceWidth, kCentreColumn, kBandTopRow - kLargestFaceWidth)}, 150,
       V::kPositionRight},
      {"chin in the band", {Box(kLargestFaceWidth, kCentreColumn, kBandTopRow - kLargestFaceWidth + 1)}, 150,
       V::kFaceLow},
  };
  for (const Case& c : cases) {
    const TFaceJudgement j = JudgeFace({c.faces, c.eyes});
    EXPECT_EQ(j.verdict, c.verdict) << c.what;
    EXPECT_EQ(j.faces, c.faces) << c.what;
    if (c.faces.size() == 1) {
      EXPECT_EQ(j.eyeLineEstimated, !c.eyes) << c.what;
    }
  }
}

}  // namespace
}  // namespace vantora::guide
