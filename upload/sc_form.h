#pragma once

#include <QDialog>

namespace vantora {

// The FTP batch upload dialog: created hidden at start, shown modally from
// the hidden menu item "照片上传".
class TScForm : public QDialog {
 public:
  explicit TScForm(QWidget* parent = nullptr);
};

}  // namespace vantora
