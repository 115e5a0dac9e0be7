#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantora {

// The network settings dialog: created hidden at start, shown modally from
// the hidden menu item "网络参数设置". It edits the FTP server address, user
// name and password of UserInfo and keeps no state of its own: every show
// fills the edits from UserInfo, "设置" stores them and writes the whole
// record, "返回" drops the changes.
class TNetForm : public QDialog {
 public:
  explicit TNetForm(QWidget* parent = nullptr);

  QGroupBox* GroupBox1 = nullptr;  // "网络参数"
  QLabel* Label1 = nullptr;        // "服务器地址"
  QLabel* Label2 = nullptr;        // "用户名"
  QLabel* Label3 = nullptr;        // "密码"
  QLineEdit* Edit1 = nullptr;      // server address
  QLineEdit* Edit2 = nullptr;      // user name, masked
  QLineEdit* Edit3 = nullptr;      // password, masked
  QPushButton* BitBtn1 = nullptr;  // "设置"
  QPushButton* BitBtn2 = nullptr;  // "返回"

  void FormShow();
  // A failed write of the settings goes to the general error box and the
  // dialog stays open; the record in memory already holds the edits then.
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace vantora
