#include "framework/prompter.h"

#include "framework/qt_prompter.h"

namespace vantora {

namespace {

Prompter*& Installed() {
  static Prompter* installed = nullptr;
  return installed;
}

}  // namespace

Prompter& ActivePrompter() {
  static QtPrompter qtPrompter;
  Prompter* p = Installed();
  return p != nullptr ? *p : qtPrompter;
}

Prompter* SetPrompter(Prompter* prompter) {
  Prompter* previous = Installed();
  Installed() = prompter;
  return previous;
}

}  // namespace vantora
