#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace vantora {

// Work a window must have done before the operator can reach it, when that
// work runs only after the window is on the screen. The work runs once: at
// the first input event aimed at the window or one of its children, just
// before that event is delivered; or earlier, by Run. The event is dropped
// when the work says so (it returns false), for instance when the program is
// ending because of it.
class TBeforeFirstInput : public QObject {
 public:
  TBeforeFirstInput(QWidget& window, std::function<bool()> work);
  ~TBeforeFirstInput() override;
  TBeforeFirstInput(const TBeforeFirstInput&) = delete;
  TBeforeFirstInput& operator=(const TBeforeFirstInput&) = delete;

  // Runs the work unless it has run; its result, or true once it has run.
  bool Run();
  bool Done() const { return done_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  std::function<bool()> work_;
  bool done_ = false;
};

}  // namespace vantora
