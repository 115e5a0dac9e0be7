// The main window's face guide: the item "人脸检查", the live outline and
// hint over the video, and the verdict beside the photo view at "拍照". It is
// advisory only: nothing here touches the frame, the portrait or the road of
// one photo, and with the item off (or without the cascades) the window
// behaves as it does without the guide.
#include <QAction>
#include <QLabel>

#include "app/face_guide_live.h"
#include "app/face_outline.h"
#include "app/main_window.h"
#include "app/photo_geometry.h"
#include "capture/sample_grabber.h"
#include "guide/face_detector.h"
#include "guide/grey_panel.h"
#include "imaging/bitmap.h"
#include "pub/pub.h"

namespace vantora {

void TMain::CreateFaceGuideControls() {
  // The picture area of the video panel, which the portrait shows.
  FaceOutline = new TFaceOutline(VideoPanel, QRect(0, 8, 228, 303));
  FaceHint = FaceOutline->Hint();
  // Below the photo view's buttons: the photo view itself holds the portrait only.
  FaceVerdict = new QLabel(Client);
  FaceVerdict->setObjectName(QStringLiteral("FaceVerdict"));
  FaceVerdict->setAccessibleName(QString::fromUtf8("人脸检查结果"));
  FaceVerdict->setGeometry(248, 346, 228, 13);
  FaceVerdict->setAlignment(Qt::AlignCenter);
}

// After the capture side and FormShow. A station whose cascades cannot be
// loaded runs as before, with the item disabled and no box.
void TMain::StartFaceGuide() {
  FaceCheck->setChecked(LoadFaceCheck());
  auto latest = [this]() -> std::optional<TGuideFrame> {
    if (!SampleGrabber || !CameraPictureIsCurrent()) return std::nullopt;
    return LatestGuideFrame(*SampleGrabber);
  };
  FaceGuide = std::make_unique<TFaceGuideLive>(*FaceOutline, latest, [this](bool loaded) {
    if (loaded) {
      FaceGuide->SetEnabled(FaceCheck->isChecked());
    } else {
      FaceCheck->setChecked(false);
      FaceCheck->setEnabled(false);
    }
  });
}

void TMain::FaceCheckClick() {
  FaceCheck->setChecked(!FaceCheck->isChecked());
  if (FaceGuide) FaceGuide->SetEnabled(FaceCheck->isChecked());
  if (!FaceCheck->isChecked()) FaceVerdict->clear();
  SaveFaceCheck(FaceCheck->isChecked());
}

// The rule once more, on exactly the frame the portrait was just cut from.
void TMain::ShowFaceVerdict(const TBitmap& frame) {
  FaceVerdict->clear();
  const guide::TFaceDetector* detector = FaceGuide ? FaceGuide->Detector() : nullptr;
  if (!detector || !FaceCheck->isChecked()) return;
  const PortraitGeometry strip = PortraitGeometryFor(frame.Width(), frame.Height());
  const auto panel = guide::GreyPanelOfBitmap(frame, strip.sourceColumn, strip.width);
  if (!panel) return;
  const guide::TFaceVerdict verdict = guide::JudgeFace(detector->Find(*panel)).verdict;
  QPalette palette = FaceVerdict->palette();
  palette.setColor(QPalette::WindowText, VerdictColour(verdict).darker(guide::RuleHolds(verdict) ? 130 : 160));
  FaceVerdict->setPalette(palette);
  FaceVerdict->setText(QString::fromUtf8(guide::VerdictText(verdict)));
}

}  // namespace vantora
