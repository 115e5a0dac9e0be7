#include "framework/before_first_input.h"

#include <QCoreApplication>
#include <QWidget>

#include "framework/input_events.h"

namespace vantora {

TBeforeFirstInput::TBeforeFirstInput(QWidget& window, std::function<bool()> work)
    : window_(window), work_(std::move(work)) {
  QCoreApplication::instance()->installEventFilter(this);
}

TBeforeFirstInput::~TBeforeFirstInput() {
  if (QCoreApplication* app = QCoreApplication::instance(); app && !done_) app->removeEventFilter(this);
}

bool TBeforeFirstInput::Run() {
  if (done_ || !window_.isVisible()) return true;
  // Done before the work starts: a nested event loop inside it (an error
  // box) must not run it a second time.
  done_ = true;
  QCoreApplication::instance()->removeEventFilter(this);
  return work_();
}

bool TBeforeFirstInput::eventFilter(QObject* watched, QEvent* event) {
  if (done_ || !IsOperatorInput(event->type()) || !watched->isWidgetType()) return false;
  const QWidget* target = static_cast<QWidget*>(watched);
  if (target != &window_ && !window_.isAncestorOf(target)) return false;
  return !Run();
}

}  // namespace vantora
