#include "app/station.h"

#include <QScreen>

#include "app/dm.h"
#include "app/main_window.h"
#include "app/startup_warmup.h"
#include "framework/application.h"
#include "framework/startup_guard.h"
#include "imaging/font_engine.h"
#include "imaging/screen.h"
#include "upload/net_form.h"
#include "upload/sc_form.h"

namespace vantora {

TStation::TStation() = default;

// The dialogs go before the main window that shows them.
TStation::~TStation() {
  ScForm.reset();
  NetForm.reset();
  Database.reset();
  Main.reset();
}

void CreateStation(TStation& station) {
  station.Main = std::make_unique<TMain>();
  station.Database = std::make_unique<TDatabase>();
  station.NetForm = std::make_unique<TNetForm>();
  station.ScForm = std::make_unique<TScForm>();
  station.Main->AttachDialogs(station.NetForm.get(), station.ScForm.get());
}

void ReadScreenFacts() {
  ScreenFacts facts;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    facts.depth = screen->depth();
    facts.dpi = qRound(screen->logicalDotsPerInchY());
  }
  SetScreenFacts(facts);
}

int ShowAndRunStation(TStation& station) {
  station.Main->show();
  return QApplication::exec();
}

int RunStation(int argc, char** argv) {
  // The first text drawn needs fontconfig's files read; that can go on
  // while the application object connects to the display. GStreamer's
  // plugins are not loaded that way: their library loading contends with the
  // toolkit's own plugin loading and slows the start.
  StartupWarmUp warmUp({LoadFontConfiguration});
  TApplication application(argc, argv);
  ReadScreenFacts();
  TStation station;
  return RunStartup([&] { CreateStation(station); }, [&] { return ShowAndRunStation(station); });
}

}  // namespace vantora
