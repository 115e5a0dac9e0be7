#pragma once

#include <QObject>

class QWidget;

namespace vantora {

// Drops the operator's input (keys, mouse, wheel, touch) to one window and
// its children for the life of the object, while that window still repaints.
// For work that runs on the GUI thread and lets the event loop turn between
// its steps. Other windows, such as a message box shown meanwhile, are not
// affected. On destruction, input that arrived meanwhile is read and dropped
// before the window takes input again, so a click made during the work never
// acts after it.
class TInputBlocker : public QObject {
 public:
  explicit TInputBlocker(QWidget& window);
  ~TInputBlocker() override;
  TInputBlocker(const TInputBlocker&) = delete;
  TInputBlocker& operator=(const TInputBlocker&) = delete;

  // Lets pending events (paints among them) be handled; input to the window is dropped.
  static void LetEventsThrough();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
};

}  // namespace vantora
