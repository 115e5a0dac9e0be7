#include "framework/input_blocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace vantora {

namespace {

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

TInputBlocker::TInputBlocker(QWidget& window) : window_(window) { QCoreApplication::instance()->installEventFilter(this); }

TInputBlocker::~TInputBlocker() {
  LetEventsThrough();
  QCoreApplication::instance()->removeEventFilter(this);
}

void TInputBlocker::LetEventsThrough() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool TInputBlocker::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInput(event->type()) || !watched->isWidgetType()) return false;
  const QWidget* target = static_cast<QWidget*>(watched);
  return target == &window_ || window_.isAncestorOf(target);
}

}  // namespace vantora
