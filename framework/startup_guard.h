#pragma once

#include <exception>
#include <functional>
#include <string>

namespace vantora {

// The box for an error while the program builds its windows, before any
// event runs: caption "Application Error", the error's class and text.
void ShowApplicationErrorBox(const std::exception& e);

// Runs `create` (building the top-level objects), then `run` (the event
// loop) and returns its exit code. An error from `create` is shown with
// ShowApplicationErrorBox and the program ends with code 1 without running
// the loop.
int RunStartup(const std::function<void()>& create, const std::function<int()>& run);

}  // namespace vantora
