#include "framework/gui_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <utility>

#include "framework/input_events.h"

namespace vantora {

namespace {
bool IsStopRequest(const QWidget& stop, const QWidget& target, const QEvent& event) {
  if (event.type() == QEvent::KeyPress) return static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape;
  if (event.type() != QEvent::MouseButtonRelease || &target != &stop) return false;
  const auto& click = static_cast<const QMouseEvent&>(event);
  return click.button() == Qt::LeftButton && stop.rect().contains(click.position().toPoint());
}
}  // namespace

// A child of the window it guards, so that whether a window is guarded is
// asked of the window itself.
TGuiWait::TGuiWait(QWidget& window) : QObject(&window), window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
}

TGuiWait::TGuiWait(QWidget& window, std::function<void()>& waitHook) : TGuiWait(window) {
  hook_ = &waitHook;
  savedHook_ = std::exchange(waitHook, [this] { LetLoopTurn(); });
}

TGuiWait::~TGuiWait() {
  if (hook_) *hook_ = std::move(savedHook_);
  LetLoopTurn();
  QCoreApplication::instance()->removeEventFilter(this);
}

void TGuiWait::LetLoopTurn() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TGuiWait::Active(const QWidget& window) {
  for (const QWidget* w = &window; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
    for (const QObject* child : w->children()) {
      if (dynamic_cast<const TGuiWait*>(child)) return true;
    }
  }
  return false;
}

bool TGuiWait::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close) {
    event->ignore();
    return true;
  }
  if (!IsOperatorInput(event->type()) || !watched->isWidgetType()) return false;
  const QWidget* target = static_cast<QWidget*>(watched);
  if (target != &window_ && !window_.isAncestorOf(target)) return false;
  if (stop_ && IsStopRequest(*stop_, *target, *event)) stopRequested_ = true;
  return true;
}

}  // namespace vantora
