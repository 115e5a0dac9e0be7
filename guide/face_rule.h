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

// The white band with the number covers the portrait's bottom rows when the
// stamp is on; the rule does not know whether it is, so a face reaching into
// those rows is never "wholly inside the portrait".
inline constexpr int kBandTopRow = 268;

// The rule's tolerances, calibrated on tests/guide/data (97 frames composed
// at known places and sizes, see make_labelled_set.py) with the detector's
// frontal cascade (LBP, "improved"); the detector's box is square and
// covers brows to chin, narrower than the head.
//
// The box of a head that fills the lines from PT to PR (207 rows): 94 wide
// (mean over 30 frames at 0.9..1.1 of that head, scaled back; sd 3).
inline constexpr int kIdealFaceWidth = 94;
// A head from about PT to about PR: at most a fifth smaller or a quarter
// larger than that one (0.8 and 1.25, the same step either way in scale).
// The set's heads that fit lie at 0.9..1.1, those too small at 0.72 or
// less, those too large at 1.35 or more.
inline constexpr int kSmallestFaceWidth = kIdealFaceWidth * 4 / 5;   // 75
inline constexpr int kLargestFaceWidth = kIdealFaceWidth * 5 / 4;    // 117
// The box's middle strays from the face's middle by up to 3 pixels (sd 1);
// the set's faces that fit are at most 8 off PL, those off centre 32 or
// more. 18 keeps clear of both and is well inside Pl1..Pl2 (29 either side).
inline constexpr int kCentreTolerance = 18;
// Where the eye cascade finds no two eyes, the eye line is estimated at this
// share of the box's height from its top (measured 22.7%, sd 1.1).
inline constexpr int kEyeRowInFacePercent = 23;
// A face cut by the panel's side or top still gets a box, but one that
// stops a few pixels short of the edge (5 on the set) and is too small; a
// box this near an edge is taken for a face the edge cuts.
inline constexpr int kEdgeMargin = 10;

// A rectangle in panel pixels.
struct TBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TBox&, const TBox&) = default;
};

// What the detector found in one panel: every frontal face, largest first,
// and for a lone face the row of its eyes when the eye cascade found both.
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

// The verdicts in the order they are tried: no face; several; a face cut by
// the panel's left, right or top edge (its box is then too small to judge
// the size by); too small, too large; off PL to the left, to the right; eye
// line above PB, below Pb1; reaching into the band (low); else right. Size
// comes before place because moving closer or back also moves the face in
// the picture.
TFaceJudgement JudgeFace(const TFaceFinding& finding);

// The short hint shown for a verdict (UTF-8), the same live and at "拍照".
const char* VerdictText(TFaceVerdict verdict);

inline bool RuleHolds(TFaceVerdict verdict) { return verdict == TFaceVerdict::kPositionRight; }

}  // namespace vantora::guide
