// The re-send run: each listed photo in turn, sent by the same call "上传"
// makes, its verdict written to the upload record and shown in its row as
// soon as it is known.
//
// The run stays on the GUI thread under the wait guard, as the FTP batch
// run does: between rows, and while the client waits for the server, the
// event loop turns, so the rows repaint and the desktop sees a station that
// answers. Input to the dialog is dropped meanwhile, except that a press of
// "停止" (or Esc) is noted and ends the run once the row in progress is done.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>
#include <cerrno>

#include "framework/gui_wait.h"
#include "framework/string_grid.h"
#include "net/nw_http.h"
#include "upload/pending_text.h"
#include "upload/photo_upload.h"
#include "upload/resend_form.h"
#include "upload/upload_verdict.h"

namespace vantora {

namespace {

constexpr char kSending[] = "正在上传…";
constexpr char kFileMissing[] = "照片文件不存在";
constexpr char kFileUnreadable[] = "照片文件无法读取";

// Why a listed photo cannot be sent, before the server is asked; empty
// text when it can.
std::string FileProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? kFileMissing : kFileUnreadable;
  if (!S_ISREG(info.st_mode)) return kFileUnreadable;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kFileUnreadable;
  ::close(fd);
  return {};
}

}  // namespace

void TResendForm::SetRunning(bool running) {
  BitBtn1->setEnabled(!running && !rows_.empty());
  BitBtn2->setEnabled(running);
  BitBtn3->setEnabled(!running);
  BitBtn4->setEnabled(!running);
}

void TResendForm::BitBtn1Click() {
  if (Running()) return;
  SetRunning(true);
  try {
    TGuiWait wait(*this, http_.WaitHook);
    wait.ListenForStop(*BitBtn2);
    run_ = &wait;
    for (int i = 0; i < static_cast<int>(rows_.size()) && !wait.StopRequested(); ++i) {
      if (rows_[static_cast<std::size_t>(i)].uploadedAt) continue;  // sent by an earlier run of this list
      SendRow(i, wait);
    }
  } catch (...) {
    run_ = nullptr;
    SetRunning(false);
    throw;
  }
  run_ = nullptr;
  SetRunning(false);
}

void TResendForm::SendRow(int index, TGuiWait& wait) {
  Row& row = rows_[static_cast<std::size_t>(index)];
  sg->SelectCell(kNumber, index + 1);
  sg->scrollToItem(sg->item(index, kNumber));
  row.verdict = kSending;
  ShowRow(index);
  wait.LetLoopTurn();
  if (std::string problem = FileProblem(row.photo.path); !problem.empty()) {
    row.verdict = std::move(problem);  // the row stays, and so does its entry in the record
  } else {
    std::exception_ptr failure;
    try {
      PostPhoto(http_, row.photo.path);
    } catch (...) {
      failure = std::current_exception();
    }
    const UploadVerdict verdict = VerdictOfUpload(failure);
    const RecordTime now = RecordNow();
    if (record_ != nullptr) record_->RecordAttempt(row.photo.number, row.photo.path, now, verdict);
    row.photo.lastAttempt = UploadAttempt{now, verdict};
    if (verdict.kind == UploadVerdictKind::Success) row.uploadedAt = now;
    row.verdict = VerdictText(verdict);
  }
  ShowRow(index);
  wait.LetLoopTurn();
}


}  // namespace vantora
