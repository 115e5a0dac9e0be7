#pragma once

#include <QDialog>
#include <QFont>
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

inline QPushButton* PlaceButton(QWidget* parent, const char* name, QRect geometry, const char* caption) {
  QPushButton* button = PlaceControl<QPushButton>(parent, name, geometry);
  button->setText(QString::fromUtf8(caption));
  // A focused button is pressed by Enter as well as by the space bar, and no
  // button is pressed by Enter from elsewhere.
  button->setAutoDefault(true);
  return button;
}

}  // namespace vantora
