#include "framework/modal_dialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace vantora {

namespace {

QPoint CentredTopLeft(const QDialog& dialog, const QWidget* owner) {
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect around = owner != nullptr ? owner->window()->frameGeometry()
                                        : (screen != nullptr ? screen->availableGeometry() : QRect());
  QPoint topLeft = around.topLeft() + QPoint((around.width() - dialog.width()) / 2,
                                             (around.height() - dialog.height()) / 2);
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - dialog.width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - dialog.height())));
  }
  return topLeft;
}

}  // namespace

int ShowModalCentredOn(QDialog& dialog, const QWidget* owner) {
  dialog.move(CentredTopLeft(dialog, owner));
  if (owner != nullptr && owner->window()->windowHandle() != nullptr) {
    dialog.winId();  // makes the native window, so it can name its owner
    dialog.windowHandle()->setTransientParent(owner->window()->windowHandle());
  }
  return dialog.exec();
}

}  // namespace vantora
