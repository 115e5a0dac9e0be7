#include "upload/net_form.h"

namespace vantora {

TNetForm::TNetForm(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("NetForm")); }

}  // namespace vantora
