#include "tests/usb_camera/camera_modes.h"

#include <linux/videodev2.h>

#include <numeric>
#include <stdexcept>

namespace vantora::testing {
namespace {

[[noreturn]] void Refuse(const std::string& part) {
  throw std::invalid_argument("not a camera mode: '" + part + "'");
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(sep, start)) != std::string::npos; start = end + 1) {
    parts.push_back(text.substr(start, end - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

int Positive(const std::string& digits, const std::string& part) {
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
    Refuse(part);
  }
  int value = std::stoi(digits);
  if (value <= 0) Refuse(part);
  return value;
}

// "7.5" frames a second is an interval of 2/15 of a second.
FrameInterval IntervalOf(const std::string& rate, const std::string& part) {
  auto dot = rate.find('.');
  std::uint32_t scale = 1;
  std::string digits = rate;
  if (dot != std::string::npos) {
    std::string fraction = rate.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 3) Refuse(part);
    digits = rate.substr(0, dot) + fraction;
    for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
  }
  auto frames = static_cast<std::uint32_t>(Positive(digits, part));
  std::uint32_t common = std::gcd(frames, scale);
  return {scale / common, frames / common};
}

}  // namespace

std::vector<UsbCameraMode> ParseCameraModes(const std::string& text) {
  static const std::pair<const char*, std::uint32_t> kFormats[] = {
      {"yuyv", V4L2_PIX_FMT_YUYV}, {"mjpg", V4L2_PIX_FMT_MJPEG}, {"h264", V4L2_PIX_FMT_H264}};
  std::vector<UsbCameraMode> modes;
  for (const std::string& part : Split(text, '+')) {
    UsbCameraMode mode;
    std::string rest;
    for (const auto& [name, fourcc] : kFormats) {
      if (part.rfind(name, 0) == 0) mode.fourcc = fourcc, rest = part.substr(4);
    }
    auto x = rest.find('x'), at = rest.find('@');
    if (!mode.fourcc || x == std::string::npos || at == std::string::npos || at < x) Refuse(part);
    mode.width = Positive(rest.substr(0, x), part);
    mode.height = Positive(rest.substr(x + 1, at - x - 1), part);
    for (const std::string& rate : Split(rest.substr(at + 1), '/')) mode.intervals.push_back(IntervalOf(rate, part));
    modes.push_back(mode);
  }
  return modes;
}

std::uint32_t FrameBytes(std::uint32_t fourcc, int width, int height) {
  const auto pixels = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height);
  return fourcc == V4L2_PIX_FMT_YUYV ? pixels * 2 : pixels * 2 + 4096;
}

}  // namespace vantora::testing
