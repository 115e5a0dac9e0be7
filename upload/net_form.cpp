// The network settings dialog: its controls at their fixed places and its
// three handlers.
#include "upload/net_form.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "framework/error_guard.h"
#include "pub/pub.h"
#include "upload/dialog_look.h"

namespace vantora {

namespace {

QLabel* PlaceLabel(QWidget* parent, const char* name, QPoint at, const char* caption) {
  QLabel* label = PlaceControl<QLabel>(parent, name, QRect(at, QSize()));
  label->setText(QString::fromUtf8(caption));
  label->adjustSize();  // labels size themselves to their caption
  return label;
}

QLineEdit* PlaceEdit(QWidget* parent, const char* name, QRect geometry, bool masked) {
  QLineEdit* edit = PlaceControl<QLineEdit>(parent, name, geometry);
  // Every character shows as "*" (the group box's style sheet says so),
  // whatever the style would draw.
  if (masked) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QString Text(const std::string& bytes) { return QString::fromStdString(bytes); }

}  // namespace

TNetForm::TNetForm(QWidget* parent) : QDialog(parent) {
  SetUpFixedDialog(*this, "NetForm", "网络设置", QSize(368, 130));
  GroupBox1 = PlaceControl<QGroupBox>(this, "GroupBox1", QRect(8, 8, 353, 81));
  GroupBox1->setTitle(QString::fromUtf8("网络参数"));
  // The caption sits on the frame's top line, as the design draws it; the
  // style's own group box puts it above the frame, where it would run into
  // the first edit at top 16.
  GroupBox1->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 1px; }"
      "QLineEdit { lineedit-password-character: 42; }"));
  Label1 = PlaceLabel(GroupBox1, "Label1", QPoint(16, 20), "服务器地址");
  Edit1 = PlaceEdit(GroupBox1, "Edit1", QRect(88, 16, 249, 21), false);
  Label2 = PlaceLabel(GroupBox1, "Label2", QPoint(40, 52), "用户名");
  Edit2 = PlaceEdit(GroupBox1, "Edit2", QRect(88, 48, 105, 21), true);
  Label3 = PlaceLabel(GroupBox1, "Label3", QPoint(216, 52), "密码");
  Edit3 = PlaceEdit(GroupBox1, "Edit3", QRect(248, 48, 89, 21), true);
  BitBtn1 = PlaceButton(this, "BitBtn1", QRect(8, 96, 75, 25), "设置");
  BitBtn2 = PlaceButton(this, "BitBtn2", QRect(88, 96, 75, 25), "返回");

  QWidget::setTabOrder(Edit1, Edit2);
  QWidget::setTabOrder(Edit2, Edit3);
  QWidget::setTabOrder(Edit3, BitBtn1);
  QWidget::setTabOrder(BitBtn1, BitBtn2);

  connect(BitBtn1, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, GuardedSlot([this](bool) { BitBtn2Click(); }));
}

void TNetForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window coming back from the task bar is not a new show.
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TNetForm::FormShow() {
  Edit1->setText(Text(UserInfo.fip));
  Edit2->setText(Text(UserInfo.fuser));
  Edit3->setText(Text(UserInfo.fpassword));
}

void TNetForm::BitBtn1Click() {
  UserInfo.fip = Edit1->text().toStdString();
  UserInfo.fuser = Edit2->text().toStdString();
  UserInfo.fpassword = Edit3->text().toStdString();
  SaveUserInfo(UserInfo);
  accept();
}

void TNetForm::BitBtn2Click() { reject(); }

}  // namespace vantora
