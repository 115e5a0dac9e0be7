#pragma once

#include <memory>

namespace vantora {

class TMain;
class TDatabase;
class TNetForm;
class TScForm;

// The four top-level objects, in the order they are created. They live until
// the program ends and go in the reverse order.
struct TStation {
  TStation();
  ~TStation();
  TStation(const TStation&) = delete;
  TStation& operator=(const TStation&) = delete;

  std::unique_ptr<TMain> Main;
  std::unique_ptr<TDatabase> Database;
  std::unique_ptr<TNetForm> NetForm;
  std::unique_ptr<TScForm> ScForm;
};

// Creates the four objects in order: the main window, the data module, the
// network dialog, the FTP upload dialog (the dialogs hidden).
void CreateStation(TStation& station);

// Shows the main window and runs the message loop until the program ends;
// the capture side starts once the window is on the screen. The exit code.
int ShowAndRunStation(TStation& station);

// Tells the imaging layer the primary screen's depth and vertical dpi, once.
void ReadScreenFacts();

// The whole program: application object, start-up, message loop.
int RunStation(int argc, char** argv);

}  // namespace vantora
