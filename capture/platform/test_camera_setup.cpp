#include "test_camera_setup.h"

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

std::optional<TestCameraSetup> ParseItem(std::string_view item) {
  TestCameraSetup setup;
  setup.key = std::string(item);
  auto colon = item.find(':');
  std::string_view size = item.substr(0, colon);
  if (colon != std::string_view::npos) {
    if (item.substr(colon + 1) != "mjpg") return std::nullopt;
    setup.mjpeg = true;
  }
  auto x = size.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  auto w = ParseInt(size.substr(0, x));
  auto h = ParseInt(size.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kTestCameraMaxSide || *h > kTestCameraMaxSide) {
    return std::nullopt;
  }
  setup.width = *w;
  setup.height = *h;
  return setup;
}

}  // namespace

std::string TestCameraSetup::DisplayName() const {
  std::string name = "Vantora Test Camera " + std::to_string(width) + "x" + std::to_string(height);
  if (mjpeg) name += " MJPG";
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
