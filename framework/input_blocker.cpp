#include "framework/input_blocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "framework/input_events.h"

namespace vantora {

TInputBlocker::TInputBlocker(QWidget& window) : window_(window) { QCoreApplication::instance()->installEventFilter(this); }

TInputBlocker::~TInputBlocker() {
  LetEventsThrough();
  QCoreApplication::instance()->removeEventFilter(this);
}

void TInputBlocker::LetEventsThrough() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TInputBlocker::eventFilter(QObject* watched, QEvent* event) {
  if (!IsOperatorInput(event->type()) || !watched->isWidgetType()) return false;
  const QWidget* target = static_cast<QWidget*>(watched);
  return target == &window_ || window_.isAncestorOf(target);
}

}  // namespace vantora
