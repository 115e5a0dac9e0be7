#include "framework/hourglass.h"

#include <QApplication>
#include <QCursor>

namespace vantora {

THourglass::THourglass() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

THourglass::~THourglass() { QApplication::restoreOverrideCursor(); }

}  // namespace vantora
