#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QPushButton;

namespace vantora {

class TGuiWait;
class TNwFTP;
class TStringGrid;

// The FTP batch upload dialog: created hidden at start, shown modally from
// the hidden menu item "照片上传". The file list lives only in the grid `sg`:
// row 0 is the header, rows 1 to RowCount-2 are the entries (number, full
// path, status of the last attempt) and the last row is always empty. A run
// rescales each listed file in place to at most 303 rows and stores it on
// the FTP server of UserInfo under its bare name.
class TScForm : public QDialog {
 public:
  explicit TScForm(QWidget* parent = nullptr);
  ~TScForm() override;
  TScForm(const TScForm&) = delete;
  TScForm& operator=(const TScForm&) = delete;

  TStringGrid* sg = nullptr;
  QPushButton* BitBtn3 = nullptr;  // "清空文件清单"
  QPushButton* BitBtn1 = nullptr;  // "添加照片"
  QPushButton* BitBtn2 = nullptr;  // "上传照片"
  QPushButton* BitBtn4 = nullptr;  // "返回"
  // The dialog's own FTP client, kept from start-up to exit.
  std::unique_ptr<TNwFTP> NwFTP1;

  void FormShow();
  void BitBtn1Click();  // add one file through the open-file chooser
  void BitBtn2Click();  // the upload run (sc_form_upload.cpp)
  void BitBtn3Click();  // empty the list
  void BitBtn4Click();  // close

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  static std::unique_ptr<TNwFTP> MakeFtpClient();
  void UploadRow(int row, TGuiWait& wait);
};

// The remote name of a listed file: the part after the last folder separator.
std::string BareFileName(const std::string& path);

}  // namespace vantora
