#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace vantora {

// Work a window must have done before the operator can reach it, when that
// work runs only after the window is on the screen. The work runs once, and
// only while the window is visible (no operator reaches a hidden one, and a
// window closed before the work needs none of it): at the first input event
// aimed at the window or one of its children, just before that event is
// delivered; or earlier, by Run. The event is dropped when the work says so
// (it returns false), for instance when the program is ending because of it.
class TBeforeFirstInput : public QObject {
 public:
  TBeforeFirstInput(QWidget& window, std::function<bool()> work);
  ~TBeforeFirstInput() override;
  TBeforeFirstInput(const TBeforeFirstInput&) = delete;
  TBeforeFirstInput& operator=(const TBeforeFirstInput&) = delete;

  // Runs the work unless it has run or the window is hidden; its result,
  // or true when it did not run.
  bool Run();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  std::function<bool()> work_;
  bool done_ = false;
};

}  // namespace vantora
