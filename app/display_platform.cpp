#include "app/display_platform.h"

#include <cstdlib>

namespace vantora {

namespace {

bool IsSetAndNotEmpty(const EnvironmentLookup& environment, const std::string& name) {
  const std::optional<std::string> value = environment(name);
  return value && !value->empty();
}

bool IsWaylandSession(const EnvironmentLookup& environment) {
  return IsSetAndNotEmpty(environment, "WAYLAND_DISPLAY") ||
         environment("XDG_SESSION_TYPE").value_or("") == "wayland";
}

}  // namespace

std::string ChooseQtPlatform(const EnvironmentLookup& environment) {
  if (IsSetAndNotEmpty(environment, "QT_QPA_PLATFORM")) return {};
  if (!IsWaylandSession(environment)) return {};
  if (!IsSetAndNotEmpty(environment, "DISPLAY")) return {};
  // Qt tries the list in order: when the X display cannot be reached (an
  // Xwayland that failed to start, a DISPLAY left over from another
  // session) the station comes up as a native Wayland client instead of
  // ending at start-up.
  return "xcb;wayland";
}

void ApplyQtPlatformChoice() {
  const std::string platform = ChooseQtPlatform([](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  });
  if (!platform.empty()) ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}

}  // namespace vantora
