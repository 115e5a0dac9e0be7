#include "capture/platform/test_camera_setup.h"

#include <charconv>

namespace vantora::capture {
namespace {

std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  while (true) {
    auto pos = text.find(sep);
    parts.push_back(text.substr(0, pos));
    if (pos == std::string_view::npos) break;
    text.remove_prefix(pos + 1);
  }
  return parts;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<int> ParseInt(std::string_view s) {
  int value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

bool ParseSize(std::string_view size, int* width, int* height) {
  auto x = size.find('x');
  if (x == std::string_view::npos) return false;
  auto w = ParseInt(size.substr(0, x));
  auto h = ParseInt(size.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kTestCameraMaxSide || *h > kTestCameraMaxSide) return false;
  *width = *w;
  *height = *h;
  return true;
}

// "yuyv640x480@30" or "mjpg1280x720@30".
std::optional<TestCameraMode> ParseMode(std::string_view text) {
  TestCameraMode mode;
  if (text.starts_with("yuyv")) {
    mode.mjpeg = false;
  } else if (text.starts_with("mjpg")) {
    mode.mjpeg = true;
  } else {
    return std::nullopt;
  }
  text.remove_prefix(4);
  auto at = text.find('@');
  if (at == std::string_view::npos || !ParseSize(text.substr(0, at), &mode.width, &mode.height)) {
    return std::nullopt;
  }
  auto fps = ParseInt(text.substr(at + 1));
  if (!fps || *fps < 1 || *fps > kTestCameraMaxFps) return std::nullopt;
  mode.fps = *fps;
  return mode;
}

std::optional<TestCameraSetup> ParseItem(std::string_view item) {
  TestCameraSetup setup;
  setup.key = std::string(item);
  auto parts = Split(item, ':');
  if (!ParseSize(parts.front(), &setup.width, &setup.height)) return std::nullopt;
  constexpr std::string_view kModes = "modes=";
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view option = parts[i];
    if (option == "mjpg") {
      setup.mjpeg = true;
    } else if (option == "grid") {
      setup.grid = true;
    } else if (option.starts_with(kModes) && setup.modes.empty()) {
      for (auto text : Split(option.substr(kModes.size()), '+')) {
        auto mode = ParseMode(text);
        if (!mode) return std::nullopt;
        setup.modes.push_back(*mode);
      }
    } else {
      return std::nullopt;
    }
  }
  // The grid is exact only in raw RGB, and a camera with a mode list makes
  // its picture by the mode it is asked for.
  const bool grid_ok = !setup.grid || (!setup.mjpeg && setup.modes.empty() &&
                                       setup.width <= kTestCameraGridMaxSide &&
                                       setup.height <= kTestCameraGridMaxSide);
  if (!grid_ok || (setup.mjpeg && !setup.modes.empty())) return std::nullopt;
  return setup;
}

}  // namespace

std::string TestCameraSetup::DisplayName() const {
  std::string name = "Vantora Test Camera " + std::to_string(width) + "x" + std::to_string(height);
  if (mjpeg) name += " MJPG";
  if (grid) name += " Grid";
  return name;
}

std::vector<TestCameraSetup> ParseTestCameraList(std::string_view text) {
  std::vector<TestCameraSetup> cameras;
  if (Trim(text).empty()) return cameras;
  for (auto item : Split(text, ',')) {
    if (auto setup = ParseItem(Trim(item))) cameras.push_back(*setup);
  }
  return cameras;
}

TestCameraFault FindTestCameraFault(std::string_view text, std::string_view key) {
  for (auto item : Split(text, ',')) {
    item = Trim(item);
    auto eq = item.find('=');
    if (eq == std::string_view::npos || Trim(item.substr(0, eq)) != key) continue;
    std::string_view mode = Trim(item.substr(eq + 1));
    if (mode == "no-frames") return {TestCameraFaultKind::kNoFrames, 0};
    if (mode == "no-element") return {TestCameraFaultKind::kNoElement, 0};
    constexpr std::string_view kErrorAfter = "error-after:";
    if (mode.starts_with(kErrorAfter)) {
      auto n = ParseInt(mode.substr(kErrorAfter.size()));
      if (n && *n >= 0) return {TestCameraFaultKind::kErrorAfter, *n};
    }
  }
  return {};
}

}  // namespace vantora::capture
