#include "framework/error_guard.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "framework/prompter.h"

namespace vantora {

std::string WithFinalPeriod(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    return text + ".";
  }
  return text;
}

void ShowDefaultErrorBox(const std::string& text) {
  MessageBoxRequest box;
  box.caption = kApplicationTitle;
  box.text = WithFinalPeriod(text);
  box.icon = MsgIcon::Stop;
  box.buttons = {MsgButton::OK};
  box.enterButton = MsgButton::OK;
  box.escapeButton = MsgButton::OK;
  ActivePrompter().ShowMessage(box);
}

void ReportCurrentException() noexcept {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    try {
      ShowDefaultErrorBox(e.what());
    } catch (...) {
      // The box itself failed (no memory, say); there is nobody left to tell.
    }
  } catch (...) {
    try {
      ShowDefaultErrorBox("Unknown error");
    } catch (...) {
    }
  }
}

std::string ErrorClassName(const std::exception& e) {
  const char* mangled = typeid(e).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                   std::free);
  std::string name = (status == 0 && demangled) ? demangled.get() : mangled;
  std::size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace vantora
