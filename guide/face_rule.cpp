#include "guide/face_rule.h"

namespace vantora::guide {

// A first rule, to be calibrated on the labelled set.
TFaceJudgement JudgeFace(const TFaceFinding& finding) {
  TFaceJudgement j;
  j.faces = finding.faces;
  if (finding.faces.empty()) return j;
  if (finding.faces.size() > 1) {
    j.verdict = TFaceVerdict::kSeveralFaces;
    return j;
  }
  const TBox& f = finding.faces.front();
  j.eyeLineEstimated = !finding.eyeLine;
  j.eyeLine = finding.eyeLine ? *finding.eyeLine : f.y + f.height * 2 / 5;
  const int centre = f.x + f.width / 2;
  if (f.width < 100) j.verdict = TFaceVerdict::kMoveCloser;
  else if (f.width > 170) j.verdict = TFaceVerdict::kMoveBack;
  else if (centre < kCentreColumn - 15) j.verdict = TFaceVerdict::kFaceLeft;
  else if (centre > kCentreColumn + 15) j.verdict = TFaceVerdict::kFaceRight;
  else if (j.eyeLine < kEyeBandTop) j.verdict = TFaceVerdict::kFaceHigh;
  else if (j.eyeLine > kEyeBandBottom) j.verdict = TFaceVerdict::kFaceLow;
  else j.verdict = TFaceVerdict::kPositionRight;
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
