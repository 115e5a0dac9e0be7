#include "framework/startup_guard.h"

#include <QCoreApplication>
#include <QWidget>
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

bool RunStartupStepAfterShow(QWidget& window, const std::function<void()>& step) {
  auto end = [&](const std::exception* error) {
    window.hide();
    if (error) ShowApplicationErrorBox(*error);
    QCoreApplication::exit(1);
  };
  try {
    step();
    return true;
  } catch (const EAbort&) {
    end(nullptr);
  } catch (const std::exception& e) {
    end(&e);
  } catch (...) {
    const std::runtime_error unknown("Unknown error");
    end(&unknown);
  }
  return false;
}

}  // namespace vantora
