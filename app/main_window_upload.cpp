// The main window's single-photo upload.
#include <QPushButton>
#include <exception>

#include "app/id_number.h"
#include "app/main_window.h"
#include "app/photo_file.h"
#include "framework/gui_wait.h"
#include "framework/messages.h"
#include "net/nw_http.h"
#include "upload/photo_upload.h"

namespace vantora {

// "上传": posts the saved photo of the number in the ID box. Every attempt
// that gets past the length rule disables the button until the next save,
// whether the file was there, and whether the post went through or not.
void TMain::BitBtn4Click() {
  if (TGuiWait::Active(*this)) return;
  const std::string id = NormaliseId(Edit1Text());
  if (!HasValidIdLength(id)) {
    ShowIdLengthMessage();
    return;
  }
  PhotoFileName = PhotoFileNameFor(PhotoPath, id);
  if (!IsSafePhotoId(id)) {
    // Never read or send a file outside the photo folder.
    MessageDlg("上传失败！", MsgDlgType::Error, {MsgButton::OK});
  } else if (PhotoFileExists(PhotoFileName)) {
    // The window stays drawn and answers the desktop while the server is
    // awaited; the operator's input waits with the hourglass.
    TGuiWait wait(*this, NwHTTP1->WaitHook);
    std::exception_ptr failure;
    try {
      PostPhoto(*NwHTTP1, PhotoFileName);
    } catch (...) {
      failure = std::current_exception();
    }
    RecordUploadOutcome(id, PhotoFileName, failure);
    if (failure) {
      MessageDlg("上传失败！", MsgDlgType::Error, {MsgButton::OK});
    } else {
      MessageDlg("上传完成！", MsgDlgType::Information, {MsgButton::OK});
    }
  }
  BitBtn4->setEnabled(false);
  TellRecordNotice();
}

}  // namespace vantora
