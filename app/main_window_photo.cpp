// The main window's photo road: taking the portrait and saving it.
#include <QAction>
#include <QPushButton>

#include "app/id_number.h"
#include "app/main_window.h"
#include "app/photo_file.h"
#include "app/photo_save.h"
#include "app/portrait.h"
#include "pub/pub.h"
#include "capture/sample_grabber.h"
#include "framework/image_control.h"
#include "framework/messages.h"

namespace vantora {

constexpr char kCameraHasNoPicture[] = "摄像头没有画面，请检查摄像头后重新选择视频来源。";

// "拍照": the latest frame goes into the hidden frame target, the portrait
// into the photo view. Only the camera's current picture becomes a portrait:
// a camera that has gone, sends nothing, or failed to start would leave an
// older frame (the previous examinee's, perhaps) or a black one there, to be
// saved under the new number.
void TMain::BitBtn1Click() {
  if (!CameraPictureIsCurrent()) {
    MessageDlg(kCameraHasNoPicture, MsgDlgType::Information, {MsgButton::OK});
    return;
  }
  TBitmap& frameTarget = Image2->Picture().Bitmap();
  if (SampleGrabber) SampleGrabber->GrabFrame(frameTarget);
  if (MakePortrait(frameTarget, Edit1Text(), N4->isChecked(), Image1->Picture()) ==
      PortraitOutcome::FrameTooSmall) {
    MessageDlg("分辨率低于303*228！不能截取照片", MsgDlgType::Information, {MsgButton::OK});
    return;
  }
  ShowFaceVerdict(frameTarget);
  BitBtn2->setEnabled(true);
}

// "保存": the photo view's portrait becomes <PhotoPath>/<normalised ID>.jpg.
// Whatever the outcome past the overwrite question, the ID box's text is
// kept as the last saved ID and "保存" waits for the next portrait.
void TMain::BitBtn2Click() {
  const std::string id = NormaliseId(Edit1Text());
  PhotoFileName = PhotoFileNameFor(PhotoPath, id);
  const bool safe = IsSafePhotoId(id);
  if (safe && PhotoFileExists(PhotoFileName)) {
    const std::string question = "文件【" + FileNamePart(PhotoFileName) + "】已存在，是否覆盖?";
    if (MessageDlg(question, MsgDlgType::Confirmation, {MsgButton::Yes, MsgButton::No}) == MsgButton::No) {
      return;
    }
  }
  try {
    // An ID from the clipboard may hold a separator; it never names a file.
    if (!safe) throw std::invalid_argument("The ID cannot name a photo file");
    WritePhotoJpeg(Image1->Picture().Bitmap(), PhotoFileName);
    BitBtn4->setEnabled(true);
    RecordPhotoSaved(id, PhotoFileName);
  } catch (...) {
    MessageDlg("保存照片失败!", MsgDlgType::Information, {MsgButton::OK});
  }
  UserInfo.fuser = Edit1Text();
  SaveUserInfo(UserInfo);
  BitBtn2->setEnabled(false);
  TellRecordNotice();
}

}  // namespace vantora
