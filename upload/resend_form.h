#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "record/upload_record.h"

class QPushButton;

namespace vantora {

class TGuiWait;
class TNwHTTP;
class TStringGrid;

// "补传照片": the photos saved and not yet uploaded, as the upload record
// lists them, with one button that sends them all, one after another, as
// "上传" would send each. Shown modally from the main window; every show
// reads the list from the record again. Grid rows (row 0 is the header):
// the photo as a small picture, the number, when it was saved, the last
// attempt and its verdict.
class TResendForm : public QDialog {
 public:
  // `http` is the main window's upload client; `record` may be null (no
  // record in use), and the list is then empty.
  TResendForm(TNwHTTP& http, TUploadRecord* record, QWidget* parent = nullptr);
  ~TResendForm() override;
  TResendForm(const TResendForm&) = delete;
  TResendForm& operator=(const TResendForm&) = delete;

  TStringGrid* sg = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "全部上传"
  QPushButton* BitBtn2 = nullptr;  // "停止": ends the run after the current row
  QPushButton* BitBtn3 = nullptr;  // "保存清单": the list as a CSV file
  QPushButton* BitBtn4 = nullptr;  // "返回"

  void FormShow();
  void BitBtn1Click();  // the run (resend_form_run.cpp)
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();

  // True while the run sends (under the wait guard): the dialog then takes
  // no input but a press of "停止", cannot be closed, and its other handlers
  // do nothing.
  bool Running() const;

  // Grid columns.
  enum Column { kPicture, kNumber, kSavedAt, kLastAttempt, kVerdict, kColumns };

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Row {
    PendingPhoto photo;
    std::optional<RecordTime> uploadedAt;
    std::string verdict;  // as shown
  };
  void ShowRow(int index);
  void SendRow(int index, TGuiWait& wait);
  void SetRunning(bool running);

  TNwHTTP& http_;
  TUploadRecord* record_;
  std::vector<Row> rows_;
  TGuiWait* run_ = nullptr;  // the run in progress, which a stop reaches
};

}  // namespace vantora
