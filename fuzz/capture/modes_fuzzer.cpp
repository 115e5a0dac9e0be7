// The camera's mode choice and the test-camera list, fed arbitrary input.
// The first line is a VANTORA_TEST_CAMERAS text; the bytes after it describe
// a camera's capabilities, eight bytes a mode (kind, size, rate as a fixed
// value, a list or a range). Besides not crashing, every parsed camera keeps
// to its bounds, and the chosen mode is one the camera offers and obeys the
// operator's rule as far as the offer allows.

#include <gst/gst.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "capture/platform/camera_mode.h"
#include "capture/platform/gst_runtime.h"
#include "capture/platform/test_camera_setup.h"

namespace {

using vantora::capture::CameraMode;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckCameraList(std::string_view text) {
  for (const auto& c : vantora::capture::ParseTestCameraList(text)) {
    Check(!c.key.empty() && text.find(c.key) != std::string_view::npos);
    Check(c.width >= 1 && c.height >= 1 && c.width <= vantora::capture::kTestCameraMaxSide &&
          c.height <= vantora::capture::kTestCameraMaxSide);
    Check(!c.grid || (!c.mjpeg && c.modes.empty() && c.width <= vantora::capture::kTestCameraGridMaxSide &&
                      c.height <= vantora::capture::kTestCameraGridMaxSide));
    Check(!(c.mjpeg && !c.modes.empty()));
    for (const auto& m : c.modes) Check(m.width >= 1 && m.height >= 1 && m.fps >= 1 && m.fps <= 240);
  }
}

GstCaps* CapsFromBytes(const std::uint8_t* data, std::size_t size) {
  GstCaps* caps = gst_caps_new_empty();
  for (std::size_t i = 0; i + 8 <= size && i < 8 * 64; i += 8) {
    const std::uint8_t* m = data + i;
    const char* media = (m[0] & 3) == 0 ? "video/x-raw" : (m[0] & 3) == 1 ? "image/jpeg" : "video/x-h264";
    GstStructure* s = gst_structure_new(media, "width", G_TYPE_INT, (m[1] << 4) | (m[2] >> 4), "height",
                                        G_TYPE_INT, ((m[2] & 0xF) << 8) | m[3], nullptr);
    if (m[0] & 4) gst_structure_set(s, "format", G_TYPE_STRING, "YUY2", nullptr);
    const int n1 = m[5], d1 = (m[6] & 0x3F) + 1, n2 = m[7] == m[5] ? m[5] + 1 : m[7];
    GValue rate = G_VALUE_INIT;
    switch ((m[0] >> 3) & 3) {
      case 0:
        g_value_init(&rate, GST_TYPE_FRACTION);
        gst_value_set_fraction(&rate, n1, d1);
        break;
      case 1: {
        g_value_init(&rate, GST_TYPE_LIST);
        for (int k : {n1, n2, n1 / 2}) {
          GValue f = G_VALUE_INIT;
          g_value_init(&f, GST_TYPE_FRACTION);
          gst_value_set_fraction(&f, k, d1);
          gst_value_list_append_and_take_value(&rate, &f);
        }
        break;
      }
      case 2:
        g_value_init(&rate, GST_TYPE_FRACTION_RANGE);
        gst_value_set_fraction_range_full(&rate, std::min(n1, n2), d1, std::max(n1, n2), d1);
        break;
      default:
        break;  // no rate at all
    }
    if (G_IS_VALUE(&rate)) gst_structure_take_value(s, "framerate", &rate);
    gst_caps_append_structure(caps, s);
  }
  return caps;
}

void CheckChoice(const std::uint8_t* data, std::size_t size) {
  GstCaps* caps = CapsFromBytes(data, size);
  const auto modes = vantora::capture::ModesOf(caps);
  for (const auto& m : modes) Check(m.width > 0 && m.height > 0 && m.fps_d > 0);
  const auto chosen = vantora::capture::ChooseMode(modes);
  Check(chosen.has_value() == !modes.empty());
  if (chosen) {
    Check(std::find(modes.begin(), modes.end(), *chosen) != modes.end());
    const auto any = [&](auto pred) { return std::any_of(modes.begin(), modes.end(), pred); };
    const auto smooth = [](const CameraMode& m) { return m.Fps() >= vantora::capture::kSmoothFramesPerSecond; };
    if (any(smooth)) Check(smooth(*chosen));
    const auto usable = [&](const CameraMode& m) { return smooth(m) && m.height >= 480 && m.height <= 720; };
    if (any(usable)) Check(usable(*chosen));
    // The caps that pin the device are one fixed mode the camera accepts.
    auto pinned = vantora::capture::CapsForMode(*chosen);
    Check(gst_caps_is_fixed(pinned.get()) || chosen->fps_n == 0);
    Check(gst_caps_can_intersect(pinned.get(), caps));
  }
  gst_caps_unref(caps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantora::capture::EnsureGstreamer();
  const auto* text = reinterpret_cast<const char*>(data);
  const auto newline = std::find(text, text + size, '\n');
  CheckCameraList(std::string_view(text, static_cast<std::size_t>(newline - text)));
  const std::size_t rest = newline == text + size ? 0 : static_cast<std::size_t>(text + size - newline - 1);
  CheckChoice(data + (size - rest), rest);
  return 0;
}
