// The re-send dialog: its controls at their fixed places, the list read
// from the upload record, and the list saved as CSV. The run is in
// resend_form_run.cpp.
#include "upload/resend_form.h"

#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

#include "base/whole_file.h"
#include "framework/choosers.h"
#include "framework/error_guard.h"
#include "framework/gui_wait.h"
#include "framework/messages.h"
#include "framework/string_grid.h"
#include "upload/dialog_look.h"
#include "upload/pending_text.h"

namespace vantora {

namespace {

constexpr char kNotTried[] = "未上传";
const QSize kPictureSize(30, 40);  // the portrait's 228:303, small
constexpr int kRowHeight = kPictureSize.height() + 4;

// The photo scaled while it is read, so a long list stays quick to show.
QIcon SmallPicture(const std::string& path) {
  QImageReader reader(QString::fromStdString(path), "jpeg");
  QSize size = reader.size();
  if (!size.isValid()) return {};
  reader.setScaledSize(size.scaled(kPictureSize, Qt::KeepAspectRatio));
  const QImage image = reader.read();
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

TResendForm::TResendForm(TNwHTTP& http, TUploadRecord* record, QWidget* parent)
    : QDialog(parent), http_(http), record_(record) {
  SetUpFixedDialog(*this, "ResendForm", "补传照片", QSize(696, 320));
  sg = PlaceControl<TStringGrid>(this, "sg", QRect(8, 8, 680, 270));
  sg->SetColCount(kColumns);
  sg->SetRowCount(1);
  sg->setIconSize(kPictureSize);
  sg->verticalHeader()->setDefaultSectionSize(kRowHeight);
  const int widths[kColumns] = {38, 172, 162, 162, 124};
  const char* titles[kColumns] = {"照片", "身份证号", "保存时间", "上次上传", "结果"};
  for (int c = 0; c < kColumns; ++c) {
    sg->SetColWidth(c, widths[c]);
    sg->SetCell(c, 0, titles[c]);
  }
  BitBtn1 = PlaceButton(this, "BitBtn1", QRect(8, 286, 75, 25), "全部上传");
  BitBtn2 = PlaceButton(this, "BitBtn2", QRect(88, 286, 75, 25), "停止");
  BitBtn3 = PlaceButton(this, "BitBtn3", QRect(168, 286, 75, 25), "保存清单");
  BitBtn4 = PlaceButton(this, "BitBtn4", QRect(248, 286, 75, 25), "返回");
  BitBtn2->setEnabled(false);

  connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn3Click(); }));
  connect(BitBtn4, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn4Click(); }));
}

TResendForm::~TResendForm() = default;

void TResendForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TResendForm::FormShow() {
  if (Running()) return;
  rows_.clear();
  if (record_ != nullptr) {
    for (PendingPhoto& photo : record_->Pending()) {
      std::string verdict = photo.lastAttempt ? VerdictText(photo.lastAttempt->verdict) : kNotTried;
      rows_.push_back(Row{std::move(photo), std::nullopt, std::move(verdict)});
    }
  }
  sg->SetRowCount(static_cast<int>(rows_.size()) + 1);
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) ShowRow(i);
  if (!rows_.empty()) sg->SelectCell(kNumber, 1);
  BitBtn1->setEnabled(!rows_.empty());
}

void TResendForm::ShowRow(int index) {
  const Row& row = rows_[static_cast<std::size_t>(index)];
  const int gridRow = index + 1;
  sg->SetCell(kPicture, gridRow, "");
  sg->item(index, kPicture)->setIcon(SmallPicture(row.photo.path));
  sg->SetCell(kNumber, gridRow, row.photo.number);
  sg->SetCell(kSavedAt, gridRow, RecordTimeText(row.photo.savedAt));
  sg->SetCell(kLastAttempt, gridRow,
              RecordTimeText(row.photo.lastAttempt ? std::optional(row.photo.lastAttempt->at) : std::nullopt));
  sg->SetCell(kVerdict, gridRow, row.verdict);
}

void TResendForm::BitBtn2Click() {
  if (run_) run_->RequestStop();
}

void TResendForm::BitBtn3Click() {
  if (Running()) return;
  const std::string file = ChooseSaveFile("保存补传清单", "CSV 文件 (*.csv)|*.csv", "补传照片.csv");
  if (file.empty()) return;
  std::vector<PendingListRow> list;
  for (const Row& row : rows_) list.push_back({row.photo.number, row.photo.savedAt, row.uploadedAt, row.verdict});
  try {
    WriteWholeFile(file, PendingListCsv(list), TFileMode::kPrivate);
  } catch (const std::exception&) {
    MessageDlg("保存清单失败!", MsgDlgType::Error, {MsgButton::OK});
  }
}

void TResendForm::BitBtn4Click() {
  if (!Running()) close();
}

bool TResendForm::Running() const { return TGuiWait::Active(*this); }

}  // namespace vantora
