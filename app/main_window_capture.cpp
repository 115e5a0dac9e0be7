// The main window's capture side: the live video window, the device menu and
// the capture shutdown. Placeholders until the capture layer is wired in.
#include <QMenu>

#include "app/main_window.h"

namespace vantora {

void TMain::CreateAVCapture1() {
  AVCapture1 = new QWidget(VideoPanel);
  AVCapture1->setObjectName(QStringLiteral("AVCapture1"));
  AVCapture1->setGeometry(-8, 8, 404, 303);
  QPalette palette = AVCapture1->palette();
  palette.setColor(QPalette::Window, Qt::blue);
  AVCapture1->setPalette(palette);
  AVCapture1->setAutoFillBackground(true);
  AVCapture1->setFocusPolicy(Qt::StrongFocus);
}

void TMain::FillDeviceMenu() {}

void TMain::DeviceItemClick(int /*tag*/) {}

void TMain::ApplyPreviewGeometry() {}

void TMain::ReleaseDeviceList() {}

void TMain::ShutDownCapture() {}

}  // namespace vantora
