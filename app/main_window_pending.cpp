// The main window's side of the upload record: every save and every "上传"
// is written to it, the menu bar shows how many photos are still to be
// sent, and "补传照片" opens the dialog that sends them.
#include <QAction>
#include <QMenuBar>

#include "app/main_window.h"
#include "framework/error_guard.h"
#include "framework/gui_wait.h"
#include "framework/messages.h"
#include "framework/modal_dialog.h"
#include "record/upload_record.h"
#include "upload/resend_form.h"
#include "upload/upload_verdict.h"

namespace vantora {

namespace {

constexpr char kPendingItem[] = "补传照片";

std::string NoticeText(const UploadRecordNotice& notice) {
  if (notice.kind == UploadRecordNotice::Kind::SetAside) {
    return "上传记录文件已损坏，已改名保存为：\n" + notice.file + "\n并已新建上传记录。";
  }
  return "无法使用上传记录文件：\n" + notice.file + "\n（" + notice.reason +
         "）\n照片照常保存和上传，但不会记入待补传的清单。";
}

}  // namespace

// A top-level item of the menu bar, after the designed menus, so the count
// is in sight without moving a control or touching the window's title.
void TMain::CreatePendingMenu() {
  N8 = MainMenu1->addAction(QString::fromUtf8(kPendingItem));
  N8->setObjectName(QStringLiteral("N8"));
  connect(N8, &QAction::triggered, this, GuardedSlot([this](bool) { N8Click(); }));
}

void TMain::OpenUploadRecord() {
  UploadRecord = std::make_unique<TUploadRecord>(UploadRecordPath());
  ShowPendingCount();
  // After the window is up, so the box stands over it.
  QMetaObject::invokeMethod(this, [this] { Guarded([this] { TellRecordNotice(); }); }, Qt::QueuedConnection);
}

void TMain::ShowPendingCount() {
  std::string text = kPendingItem;
  if (std::optional<int> count = UploadRecord ? UploadRecord->PendingCount() : std::nullopt) {
    text += " (" + std::to_string(*count) + ")";
  }
  N8->setText(QString::fromStdString(text));
}

void TMain::TellRecordNotice() {
  if (!UploadRecord) return;
  while (std::optional<UploadRecordNotice> notice = UploadRecord->TakeNotice()) {
    MessageDlg(NoticeText(*notice), MsgDlgType::Warning, {MsgButton::OK});
  }
}

void TMain::RecordPhotoSaved(const std::string& id, const std::string& file) {
  if (UploadRecord) UploadRecord->RecordSaved(id, file, RecordNow());
  ShowPendingCount();
}

void TMain::RecordUploadOutcome(const std::string& id, const std::string& file, const std::exception_ptr& failure) {
  if (UploadRecord) UploadRecord->RecordAttempt(id, file, RecordNow(), VerdictOfUpload(failure));
  ShowPendingCount();
}

void TMain::N8Click() {
  if (TGuiWait::Active(*this)) return;  // "上传" is waiting for the server
  TResendForm form(*NwHTTP1, UploadRecord.get(), this);
  ShowModalCentredOn(form, this);
  ShowPendingCount();
  TellRecordNotice();
}

}  // namespace vantora
