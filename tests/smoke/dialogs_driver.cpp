// The station as it starts for the operator, with one addition for the smoke
// script: once the main window is up, the two hidden menu items are
// triggered through their handlers, one after the other, and the station
// closes when both dialogs are back. The items are hidden, so nothing outside
// the process could reach them.
#include <QAction>
#include <QTimer>

#include "app/main_window.h"
#include "app/station.h"
#include "framework/application.h"

int main(int argc, char** argv) {
  vantora::TApplication application(argc, argv);
  vantora::ReadScreenFacts();
  vantora::TStation station;
  vantora::CreateStation(station);
  station.Main->show();
  QTimer::singleShot(0, [&] {
    station.Main->N3->trigger();  // "网络参数设置": returns when the dialog closes
    station.Main->N7->trigger();  // "照片上传"
    station.Main->close();
  });
  return application.exec();
}
