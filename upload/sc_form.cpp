#include "upload/sc_form.h"

namespace vantora {

TScForm::TScForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ScForm"));
  setWindowTitle(QString::fromUtf8("照片上传"));
}

}  // namespace vantora
