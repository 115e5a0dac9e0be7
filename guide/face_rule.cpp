#include "guide/face_rule.h"

namespace vantora::guide {
namespace {

TFaceVerdict VerdictFor(const TBox& face, int eyeLine) {
  if (face.x < kEdgeMargin) return TFaceVerdict::kFaceLeft;
  if (face.x + face.width > kPanelWidth - kEdgeMargin) return TFaceVerdict::kFaceRight;
  if (face.y < kEdgeMargin) return TFaceVerdict::kFaceHigh;
  if (face.width < kSmallestFaceWidth) return TFaceVerdict::kMoveCloser;
  if (face.width > kLargestFaceWidth) return TFaceVerdict::kMoveBack;
  // Twice the middle, so an odd width is not rounded towards the left (a box
  // half a pixel past the tolerance on the right would pass).
  const int middle2 = 2 * face.x + face.width;
  if (middle2 < 2 * (kCentreColumn - kCentreTolerance)) return TFaceVerdict::kFaceLeft;
  if (middle2 > 2 * (kCentreColumn + kCentreTolerance)) return TFaceVerdict::kFaceRight;
  if (eyeLine < kEyeBandTop) return TFaceVerdict::kFaceHigh;
  if (eyeLine > kEyeBandBottom) return TFaceVerdict::kFaceLow;
  if (face.y + face.height > kBandTopRow) return TFaceVerdict::kFaceLow;
  return TFaceVerdict::kPositionRight;
}

}  // namespace

TFaceJudgement JudgeFace(const TFaceFinding& finding) {
  TFaceJudgement j;
  j.faces = finding.faces;
  if (finding.faces.empty()) return j;
  if (finding.faces.size() > 1) {
    j.verdict = TFaceVerdict::kSeveralFaces;
    return j;
  }
  const TBox& face = finding.faces.front();
  j.eyeLineEstimated = !finding.eyeLine;
  j.eyeLine = finding.eyeLine ? *finding.eyeLine : face.y + (face.height * kEyeRowInFacePercent + 50) / 100;
  j.verdict = VerdictFor(face, j.eyeLine);
  return j;
}

const char* VerdictText(TFaceVerdict verdict) {
  switch (verdict) {
    case TFaceVerdict::kNoFace: return "未见人脸";
    case TFaceVerdict::kSeveralFaces: return "不止一张人脸";
    case TFaceVerdict::kMoveCloser: return "请靠近一些";
    case TFaceVerdict::kMoveBack: return "请后退一些";
    case TFaceVerdict::kFaceLeft: return "人脸偏左";
    case TFaceVerdict::kFaceRight: return "人脸偏右";
    case TFaceVerdict::kFaceHigh: return "人脸偏高";
    case TFaceVerdict::kFaceLow: return "人脸偏低";
    case TFaceVerdict::kPositionRight: return "位置合适";
  }
  return "";
}

}  // namespace vantora::guide
