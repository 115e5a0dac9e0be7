#pragma once
// Whether a face sits in the portrait as the guide lines over the video ask.
// Everything here is in the pixels of the 228x303 video panel, which shows
// exactly the part of the frame the portrait is cut from; the guide lines'
// places are the panel's own (main_window.cpp), named here once more as the
// rule's reference points.
#include <optional>
#include <vector>

namespace vantora::guide {

inline constexpr int kPanelWidth = 228;
inline constexpr int kPanelHeight = 303;

// The guide lines the rule is read from.
inline constexpr int kHeadTopRow = 23;      // PT: the top of the head
inline constexpr int kEyeBandTop = 120;     // PB: the eyes lie below it...
inline constexpr int kEyeBandBottom = 160;  // Pb1: ...and above it
inline constexpr int kChinRow = 230;        // PR: about the chin
inline constexpr int kCentreColumn = 114;   // PL: the middle of the face

// A rectangle in panel pixels.
struct TBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TBox&, const TBox&) = default;
};

// What the detector found in one panel: every frontal face, and for the
// first one the row of its eyes when the eye cascade found both.
struct TFaceFinding {
  std::vector<TBox> faces;
  std::optional<int> eyeLine;
};

enum class TFaceVerdict {
  kNoFace,
  kSeveralFaces,
  kMoveCloser,  // the face is too small for the head the lines frame
  kMoveBack,    // too large
  kFaceLeft,    // the face lies left of where the lines want it, in the picture
  kFaceRight,
  kFaceHigh,
  kFaceLow,
  kPositionRight,
};

struct TFaceJudgement {
  TFaceVerdict verdict = TFaceVerdict::kNoFace;
  std::vector<TBox> faces;       // what to outline
  int eyeLine = 0;               // the row judged, for the one face
  bool eyeLineEstimated = false;  // taken from the face box, not from two eyes
};

TFaceJudgement JudgeFace(const TFaceFinding& finding);

// The short hint shown for a verdict (UTF-8), the same live and at "拍照".
const char* VerdictText(TFaceVerdict verdict);

inline bool RuleHolds(TFaceVerdict verdict) { return verdict == TFaceVerdict::kPositionRight; }

}  // namespace vantora::guide
