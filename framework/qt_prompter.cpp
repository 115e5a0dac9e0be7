#include "framework/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <map>

#include "framework/picture_preview.h"

namespace vantora {

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Stop:
      return QMessageBox::Critical;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
  }
  return QMessageBox::NoIcon;
}

struct ButtonLook {
  const char* caption;
  QMessageBox::ButtonRole role;
};

ButtonLook LookOf(MsgButton b) {
  switch (b) {
    case MsgButton::Yes:
      return {"&Yes", QMessageBox::YesRole};
    case MsgButton::No:
      return {"&No", QMessageBox::NoRole};
    case MsgButton::Cancel:
      return {"Cancel", QMessageBox::RejectRole};
    case MsgButton::OK:
    case MsgButton::None:
      break;
  }
  return {"OK", QMessageBox::AcceptRole};
}

// Centred on the screen, whatever window is active: the box lays itself out
// only as it is shown, so it is placed then.
class CentredMessageBox : public QMessageBox {
 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect area = screen->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
  }
};

}  // namespace

MsgButton QtPrompter::ShowMessage(const MessageBoxRequest& request) {
  CentredMessageBox box;
  box.setWindowTitle(QString::fromStdString(request.caption));
  box.setText(QString::fromStdString(request.text));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(ToQtIcon(request.icon));
  box.setWindowModality(Qt::ApplicationModal);
  std::map<QAbstractButton*, MsgButton> answers;
  for (MsgButton b : request.buttons) {
    ButtonLook look = LookOf(b);
    QPushButton* button = box.addButton(QString::fromUtf8(look.caption), look.role);
    answers[button] = b;
    if (b == request.enterButton) box.setDefaultButton(button);
    if (b == request.escapeButton) box.setEscapeButton(button);
  }
  box.exec();
  auto it = answers.find(box.clickedButton());
  return it == answers.end() ? request.escapeButton : it->second;
}

std::string QtPrompter::ChooseFolder(const std::string& title) {
  QString folder = QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                     QString::fromStdString(title), QString(),
                                                     QFileDialog::ShowDirsOnly);
  return folder.toStdString();
}

std::string QtPrompter::ChooseOpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title), QString(),
                     QtNameFilters(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (request.picturePreview) AddPicturePreview(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

std::string QtPrompter::ChooseSaveFile(const SaveFileRequest& request) {
  QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title), QString(),
                     QtNameFilters(request.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.selectFile(QString::fromStdString(request.suggestedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

QString QtNameFilters(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    QString wanted = "(" + patterns + ")";
    filters << (description.endsWith(wanted) ? description : description + " " + wanted);
  }
  return filters.join(";;");
}

}  // namespace vantora
