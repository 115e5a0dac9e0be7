// The rule on boxes and eye lines at each tolerance's edge.
#include <gtest/gtest.h>

#include "guide/face_rule.h"

namespace vantora::guide {

using V = TFaceVerdict;

// A square box `width` wide, its middle at `middle`, its top at `top`.
static TBox Box(int width, int middle = kCentreColumn, int top = 109) { return {middle - width / 2, top, width, width}; }

TEST(FaceRule, VerdictAtEachBoundary) {
  const int w = kIdealFaceWidth, left = kCentreColumn - kCentreTolerance, right = kCentreColumn + kCentreTolerance;
  const int lowest = kBandTopRow - kLargestFaceWidth;
  const struct { std::vector<TBox> faces; std::optional<int> eyes; V verdict; } cases[] = {
      {{}, {}, V::kNoFace}, {{Box(w), Box(60, 40)}, 130, V::kSeveralFaces}, {{Box(w)}, 131, V::kPositionRight},
      {{Box(kSmallestFaceWidth)}, 131, V::kPositionRight}, {{Box(kSmallestFaceWidth - 1)}, 131, V::kMoveCloser},
      {{Box(kLargestFaceWidth)}, 131, V::kPositionRight}, {{Box(kLargestFaceWidth + 1)}, 131, V::kMoveBack},
      {{Box(w, left)}, 131, V::kPositionRight}, {{Box(w, left - 1)}, 131, V::kFaceLeft},
      {{Box(w, right)}, 131, V::kPositionRight}, {{Box(w, right + 1)}, 131, V::kFaceRight},
      {{{right - 47, 109, 95, 95}}, 131, V::kFaceRight},  // half a pixel past: an odd width is not rounded
      {{Box(w)}, kEyeBandTop, V::kPositionRight}, {{Box(w)}, kEyeBandTop - 1, V::kFaceHigh},
      {{Box(w)}, kEyeBandBottom, V::kPositionRight}, {{Box(w)}, kEyeBandBottom + 1, V::kFaceLow},
      // Estimated eye line: 23% of 94 rows below the box's top.
      {{Box(w, kCentreColumn, kEyeBandTop - 22)}, {}, V::kPositionRight},
      {{Box(w, kCentreColumn, kEyeBandTop - 23)}, {}, V::kFaceHigh},
      // A box the edge cuts short is too small, but the way to go is away from the edge.
      {{{kEdgeMargin - 1, 110, 60, 60}}, 131, V::kFaceLeft},
      {{{kPanelWidth - kEdgeMargin - 59, 110, 60, 60}}, 131, V::kFaceRight},
      {{{67, kEdgeMargin - 1, w, w}}, 131, V::kFaceHigh},
      {{Box(kLargestFaceWidth, kCentreColumn, lowest)}, 150, V::kPositionRight},
      {{Box(kLargestFaceWidth, kCentreColumn, lowest + 1)}, 150, V::kFaceLow},  // the chin in the band
  };
  for (const auto& c : cases) {
    const TFaceJudgement j = JudgeFace({c.faces, c.eyes});
    EXPECT_EQ(j.verdict, c.verdict) << "case " << &c - cases;
    EXPECT_EQ(j.eyeLineEstimated, c.faces.size() == 1 && !c.eyes) << "case " << &c - cases;
  }
}

}  // namespace vantora::guide
