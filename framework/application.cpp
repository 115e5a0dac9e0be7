#include "framework/application.h"

#include "framework/error_guard.h"

namespace vantora {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The name, not the display name: Qt appends a display name to every
  // window title, and the main window's caption must stay as it is.
  setApplicationName(QString::fromUtf8(kApplicationTitle));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

}  // namespace vantora
