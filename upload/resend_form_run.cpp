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

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QCoreApplication>
#include <cerrno>

#include "framework/gui_wait.h"
#include "framework/input_events.h"
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

// Watches the operator's input ahead of the wait guard, which drops it (the
// filter installed last runs first), for the one thing the run listens to:
// a stop.
class StopWatch {
 public:
  explicit StopWatch(QObject& filter) : filter_(filter) { QCoreApplication::instance()->installEventFilter(&filter_); }
  ~StopWatch() { QCoreApplication::instance()->removeEventFilter(&filter_); }
  StopWatch(const StopWatch&) = delete;
  StopWatch& operator=(const StopWatch&) = delete;

 private:
  QObject& filter_;
};

}  // namespace

void TResendForm::SetRunning(bool running) {
  BitBtn1->setEnabled(!running && !rows_.empty());
  BitBtn2->setEnabled(running);
  BitBtn3->setEnabled(!running);
  BitBtn4->setEnabled(!running);
}

void TResendForm::BitBtn1Click() {
  if (Running()) return;
  stopRequested_ = false;
  SetRunning(true);
  try {
    TGuiWait wait(*this, http_.WaitHook);
    StopWatch stop(*this);
    for (int i = 0; i < static_cast<int>(rows_.size()) && !stopRequested_; ++i) {
      if (rows_[static_cast<std::size_t>(i)].uploadedAt) continue;  // sent by an earlier run of this list
      SendRow(i, wait);
    }
  } catch (...) {
    SetRunning(false);
    throw;
  }
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

bool TResendForm::eventFilter(QObject* watched, QEvent* event) {
  if (!Running() || !watched->isWidgetType() || !IsOperatorInput(event->type())) return false;
  const QWidget* target = static_cast<QWidget*>(watched);
  if (target != this && !isAncestorOf(target)) return false;
  if (event->type() == QEvent::MouseButtonRelease && target == BitBtn2 &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      BitBtn2->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    stopRequested_ = true;
  } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    stopRequested_ = true;
  }
  return false;  // the guard drops it
}

}  // namespace vantora
