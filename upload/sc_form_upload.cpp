// The upload run of the FTP batch dialog: rows in order, each with its own
// guard, the connection opened lazily by the first row that needs it and
// closed after the last.
//
// The run stays on the GUI thread, as the rest of the station does. Between
// rows, and every few tens of milliseconds while the FTP client waits for the
// server, the event loop turns: the grid repaints, the row being sent is
// shown selected and the desktop sees a station that answers, not one hung.
// The run's TGuiWait drops input to the dialog, refuses its close and makes
// its handlers return at once, so nothing a turn of the loop delivers can
// start a second run or pull the list or the client away from under the row
// in progress.
#include <sys/stat.h>

#include <QPushButton>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/error_guard.h"
#include "framework/gui_wait.h"
#include "framework/messages.h"
#include "framework/string_grid.h"
#include "net/nw_ftp.h"
#include "net/nw_stream.h"
#include "pub/pub.h"
#include "pub/resize_jpeg.h"
#include "upload/sc_form.h"

namespace vantora {

namespace {

constexpr char kSent[] = "上传成功";
constexpr char kFailed[] = "上传失败";

// Anything but a folder counts as there: a pipe or a device is then refused
// by the rescale, so its row fails instead of hanging the run.
bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// The server gets the file under its bare name on a command line of its
// own, which a line break or NUL would cut (the FTP client refuses such a
// name), and a NUL anywhere would make the path name some other file. Such a
// row fails before its file is looked at, let alone rescaled.
void RefuseUnsendableName(const std::string& path) {
  if (path.find('\0') != std::string::npos || BareFileName(path).find_first_of("\r\n") != std::string::npos) {
    throw std::invalid_argument("A line break or NUL is not allowed in the file name.");
  }
}

// The bytes the rescale wrote go out as they are: the path is not opened a
// second time, so a file put in the photo's place meanwhile (a link to some
// other file, a pipe) can neither redirect the upload nor hang it.
void SendPhoto(TNwFTP& ftp, const std::vector<std::uint8_t>& photo, const std::string& remoteName) {
  TNwMemoryStream stream(static_cast<std::int64_t>(photo.size()));
  stream.Write(photo.data(), static_cast<std::int64_t>(photo.size()));
  stream.SetPosition(0);
  ftp.Put(stream, remoteName);
}

}  // namespace

std::unique_ptr<TNwFTP> TScForm::MakeFtpClient() {
  auto ftp = std::make_unique<TNwFTP>();
  // A reply line over the limit is an error rather than split. The
  // connection itself has no read limit: the client bounds every wait for
  // the server (reply, connection back, transfer) on its own, so a silent
  // server fails its row instead of freezing the station.
  ftp->MaxLineAction = TNwMaxLineAction::maException;
  ftp->ReadTimeout = TNwTimeLimit::Unlimited();
  return ftp;
}

TScForm::~TScForm() = default;

void TScForm::BitBtn2Click() {
  if (TGuiWait::Active(*this)) return;
  if (MessageDlg("是否上传考生照片？", MsgDlgType::Confirmation, {MsgButton::Yes, MsgButton::No}) !=
      MsgButton::Yes) {
    return;
  }
  NwFTP1->Host = UserInfo.fip;
  NwFTP1->Username = UserInfo.fuser;
  NwFTP1->Password = UserInfo.fpassword;
  {
    TGuiWait wait(*this, NwFTP1->WaitHook);
    for (int row = 1; row <= sg->RowCount() - 2; ++row) UploadRow(row, wait);
    if (NwFTP1->Connected()) NwFTP1->Disconnect();
  }
  MessageDlg("上传完成!", MsgDlgType::Information, {MsgButton::OK});
}

void TScForm::UploadRow(int row, TGuiWait& wait) {
  sg->SelectCell(0, row);
  sg->scrollToItem(sg->item(row - 1, 0));
  wait.LetLoopTurn();
  try {
    if (!NwFTP1->Connected()) NwFTP1->Connect(true);
    const std::string path = sg->Cell(1, row);
    RefuseUnsendableName(path);
    if (FileExists(path)) {
      SendPhoto(*NwFTP1, ResizeJpegInPlace(path), BareFileName(path));
      sg->SetCell(2, row, kSent);
    } else {
      MessageDlg("文件" + BareFileName(path) + "不存在!", MsgDlgType::Information, {MsgButton::OK});
    }
  } catch (...) {
    sg->SetCell(2, row, kFailed);
  }
  wait.LetLoopTurn();
}

}  // namespace vantora
