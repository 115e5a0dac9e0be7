#include "framework/startup_guard.h"

#include <stdexcept>

#include "framework/error_guard.h"
#include "framework/prompter.h"

namespace vantora {

void ShowApplicationErrorBox(const std::exception& e) {
  MessageBoxRequest box;
  box.caption = "Application Error";
  box.text = ErrorClassName(e) + ": " + WithFinalPeriod(e.what());
  box.icon = MsgIcon::Stop;
  box.buttons = {MsgButton::OK};
  box.enterButton = MsgButton::OK;
  box.escapeButton = MsgButton::OK;
  ActivePrompter().ShowMessage(box);
}

int RunStartup(const std::function<void()>& create, const std::function<int()>& run) {
  try {
    create();
  } catch (const EAbort&) {
    return 1;
  } catch (const std::exception& e) {
    ShowApplicationErrorBox(e);
    return 1;
  } catch (...) {
    ShowApplicationErrorBox(std::runtime_error("Unknown error"));
    return 1;
  }
  return run();
}

}  // namespace vantora
