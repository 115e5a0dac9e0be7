#pragma once

#include <exception>
#include <functional>
#include <string>

class QWidget;

namespace vantora {

// The box for an error while the program builds its windows, before any
// event runs: caption "Application Error", the error's class and text.
void ShowApplicationErrorBox(const std::exception& e);

// Runs `create` (building the top-level objects), then `run` (the event
// loop) and returns its exit code. An error from `create` is shown with
// ShowApplicationErrorBox and the program ends with code 1 without running
// the loop.
int RunStartup(const std::function<void()>& create, const std::function<int()>& run);

// Runs a start-up step that comes after the main window is shown. An error
// from it ends the program as an error while building the windows does: the
// window leaves the screen, the "Application Error" box shows, and the event
// loop ends with code 1 (EAbort ends it without a box). True when the step
// succeeded.
bool RunStartupStepAfterShow(QWidget& window, const std::function<void()>& step);

}  // namespace vantora
