#include "imaging/screen.h"

namespace vantora {

namespace {
ScreenFacts& Facts() {
  static ScreenFacts facts;
  return facts;
}
}  // namespace

const ScreenFacts& Screen() { return Facts(); }

void SetScreenFacts(const ScreenFacts& facts) {
  ScreenFacts sane = facts;
  if (sane.dpi <= 0) sane.dpi = 96;  // a headless or broken screen report must not divide by zero
  Facts() = sane;
}

}  // namespace vantora
