#pragma once

#include <QDialog>

namespace vantora {

// The network settings dialog: created hidden at start, shown modally from
// the hidden menu item "网络参数设置".
class TNetForm : public QDialog {
 public:
  explicit TNetForm(QWidget* parent = nullptr);
};

}  // namespace vantora
