#pragma once

#include <QObject>
#include <functional>

#include "framework/hourglass.h"

class QWidget;

namespace vantora {

// A long operation on the GUI thread that lets the event loop turn while it
// works (a transfer whose waits call back, a run of many steps). For the
// life of the object:
// - the hourglass is shown over the whole program;
// - the operator's input to the window and its children is dropped, and
//   the window refuses to close, while it still repaints; other windows,
//   such as a message box shown meanwhile, are not affected;
// - Active(window) is true, so the window's handlers, which a turn of the
//   loop may still reach past input (an accessibility tool's press, a
//   queued call), return at once instead of acting under the operation;
// - `waitHook`, when given, lets the loop turn; the previous hook comes
//   back at the end.
// On destruction, input that arrived meanwhile is read and dropped before
// the window takes input again, so a click made during the work never acts
// after it.
class TGuiWait : public QObject {
 public:
  explicit TGuiWait(QWidget& window);
  TGuiWait(QWidget& window, std::function<void()>& waitHook);
  ~TGuiWait() override;
  TGuiWait(const TGuiWait&) = delete;
  TGuiWait& operator=(const TGuiWait&) = delete;

  // Handles what is pending: paints, timers, the desktop's liveness ping.
  void LetLoopTurn();
  // True while a wait guards `window` or the window it sits in.
  static bool Active(const QWidget& window);

  // A run of many steps may be stopped after the step in progress: a click
  // on `stop` or Esc is dropped like all other input, but noted.
  void ListenForStop(const QWidget& stop) { stop_ = &stop; }
  void RequestStop() { stopRequested_ = true; }
  bool StopRequested() const { return stopRequested_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  std::function<void()>* hook_ = nullptr;
  std::function<void()> savedHook_;
  THourglass hourglass_;
  const QWidget* stop_ = nullptr;
  bool stopRequested_ = false;
};

}  // namespace vantora
