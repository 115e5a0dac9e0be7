#pragma once

#include <QApplication>

namespace vantora {

// The station's application object: title "Vantora", and a backstop that
// turns an error escaping any event into the default error box, for the
// handlers that are not wired through Guarded.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vantora
