#pragma once

#include <QDialog>
#include <QFont>
#include <QKeyEvent>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>

namespace vantora {

// The two hidden dialogs share one look: a fixed border without minimise or
// maximise, the client area at its designed size, "宋体" at 13 pixels, and
// every control at a fixed pixel place without layouts.
inline void SetUpFixedDialog(QDialog& dialog, const char* name, const char* caption, QSize client) {
  dialog.setObjectName(QString::fromLatin1(name));
  dialog.setWindowTitle(QString::fromUtf8(caption));
  dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                        Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setFixedSize(client);
  QFont font(QString::fromUtf8("宋体"));
  font.setPixelSize(13);
  dialog.setFont(font);
  dialog.setModal(true);
}

template <class W>
W* PlaceControl(QWidget* parent, const char* name, QRect geometry) {
  W* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(geometry);
  return w;
}

// Neither dialog has a default button, so Enter typed into an edit or the
// grid presses nothing (a Qt dialog would otherwise make its first button
// the default and press it). A button that has the focus is pressed by Enter
// as well as by the space bar.
class TDialogButton : public QPushButton {
 public:
  explicit TDialogButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setDefault(false);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

inline QPushButton* PlaceButton(QWidget* parent, const char* name, QRect geometry, const char* caption) {
  QPushButton* button = PlaceControl<TDialogButton>(parent, name, geometry);
  button->setText(QString::fromUtf8(caption));
  return button;
}

}  // namespace vantora
