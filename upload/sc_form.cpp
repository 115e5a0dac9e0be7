// The FTP batch upload dialog: its controls at their fixed places, the list
// in the grid and the handlers that build it. The run itself is in
// sc_form_upload.cpp.
#include "upload/sc_form.h"

#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "framework/choosers.h"
#include "framework/error_guard.h"
#include "framework/gui_wait.h"
#include "framework/string_grid.h"
#include "net/nw_ftp.h"
#include "pub/clear_grid.h"
#include "upload/dialog_look.h"

namespace vantora {

namespace {

constexpr char kChooserTitle[] = "考生照片文件";
constexpr char kChooserFilter[] = "JPEG Image File (*.jpg)|*.jpg";

}  // namespace

TScForm::TScForm(QWidget* parent) : QDialog(parent), NwFTP1(MakeFtpClient()) {
  SetUpFixedDialog(*this, "ScForm", "照片上传", QSize(485, 219));
  sg = PlaceControl<TStringGrid>(this, "sg", QRect(8, 8, 468, 169));
  sg->SetColCount(2);  // as created; the first show makes it three
  sg->SetRowCount(2);
  BitBtn3 = PlaceButton(this, "BitBtn3", QRect(8, 184, 97, 25), "清空文件清单");
  BitBtn1 = PlaceButton(this, "BitBtn1", QRect(112, 184, 75, 25), "添加照片");
  BitBtn2 = PlaceButton(this, "BitBtn2", QRect(192, 184, 75, 25), "上传照片");
  BitBtn4 = PlaceButton(this, "BitBtn4", QRect(272, 184, 75, 25), "返回");
  BitBtn2->setEnabled(false);

  // Tab order 0 to 4: "添加照片", the grid, "上传照片", "清空文件清单", "返回".
  QWidget::setTabOrder(BitBtn1, sg);
  QWidget::setTabOrder(sg, BitBtn2);
  QWidget::setTabOrder(BitBtn2, BitBtn3);
  QWidget::setTabOrder(BitBtn3, BitBtn4);

  connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn3Click(); }));
  connect(BitBtn4, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn4Click(); }));
}

void TScForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window coming back from the task bar is not a new show.
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TScForm::FormShow() {
  ClearGrid(*sg);
  sg->SetColCount(3);
  sg->SetRowCount(2);
  sg->SetColWidth(0, 50);
  sg->SetColWidth(1, 330);
  sg->SetColWidth(2, 70);
  sg->SetCell(0, 0, "序号");
  sg->SetCell(1, 0, "照片文件");
  sg->SetCell(2, 0, "备注");
  sg->SelectCell(0, 1);
}

void TScForm::BitBtn1Click() {
  if (TGuiWait::Active(*this)) return;
  const std::string file = ChooseOpenPicture(kChooserTitle, kChooserFilter, /*mustExist=*/false);
  if (file.empty()) return;
  const int n = sg->RowCount() - 1;
  sg->SetCell(0, n, std::to_string(n));
  sg->SetCell(1, n, file);
  sg->SetRowCount(sg->RowCount() + 1);
  BitBtn2->setEnabled(true);
}

void TScForm::BitBtn3Click() {
  if (TGuiWait::Active(*this)) return;
  ClearGrid(*sg);
  BitBtn2->setEnabled(false);
}

void TScForm::BitBtn4Click() { close(); }

std::string BareFileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace vantora
