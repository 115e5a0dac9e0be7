#include "capture/platform/camera_mode.h"

#include <algorithm>
#include <tuple>

namespace vantora::capture {
namespace {

bool Greater(int an, int ad, int bn, int bd) {
  return static_cast<long long>(an) * bd > static_cast<long long>(bn) * ad;
}

// The highest rate of a fixed rate, a list of rates or a range of them;
// false when the structure says nothing usable.
bool HighestRate(const GstStructure* s, int* n, int* d) {
  const GValue* v = gst_structure_get_value(s, "framerate");
  if (!v) return false;
  if (GST_VALUE_HOLDS_FRACTION(v)) {
    *n = gst_value_get_fraction_numerator(v);
    *d = gst_value_get_fraction_denominator(v);
    return *d > 0;
  }
  if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    const GValue* max = gst_value_get_fraction_range_max(v);
    *n = gst_value_get_fraction_numerator(max);
    *d = gst_value_get_fraction_denominator(max);
    return *d > 0;
  }
  if (GST_VALUE_HOLDS_LIST(v)) {
    bool any = false;
    for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
      const GValue* f = gst_value_list_get_value(v, i);
      if (!GST_VALUE_HOLDS_FRACTION(f)) continue;
      int fn = gst_value_get_fraction_numerator(f), fd = gst_value_get_fraction_denominator(f);
      if (fd > 0 && (!any || Greater(fn, fd, *n, *d))) *n = fn, *d = fd, any = true;
    }
    return any;
  }
  return false;
}

template <typename Pred>
void KeepIfAny(std::vector<CameraMode>& modes, Pred pred) {
  if (std::any_of(modes.begin(), modes.end(), pred)) std::erase_if(modes, [&](const auto& m) { return !pred(m); });
}

}  // namespace

std::vector<CameraMode> ModesOf(const GstCaps* caps) {
  std::vector<CameraMode> modes;
  for (guint i = 0; caps && !gst_caps_is_any(caps) && i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    CameraMode m;
    m.media = gst_structure_get_name(s);
    if (m.media != "video/x-raw" && m.media != "image/jpeg") continue;
    if (!gst_structure_get_int(s, "width", &m.width) || !gst_structure_get_int(s, "height", &m.height) ||
        m.width <= 0 || m.height <= 0) {
      continue;
    }
    if (!HighestRate(s, &m.fps_n, &m.fps_d)) m.fps_n = 0, m.fps_d = 1;
    if (const gchar* format = gst_structure_get_string(s, "format")) m.format = format;
    modes.push_back(m);
  }
  return modes;
}

std::optional<CameraMode> ChooseMode(const std::vector<CameraMode>& offered) {
  std::vector<CameraMode> modes = offered;
  if (modes.empty()) return std::nullopt;
  KeepIfAny(modes, [](const CameraMode& m) { return m.Fps() >= kSmoothFramesPerSecond; });
  KeepIfAny(modes, [](const CameraMode& m) { return m.height >= kSharpRows; });
  KeepIfAny(modes, [](const CameraMode& m) { return m.height >= kSharpRows && m.height <= kLargestNeededRows; });
  return *std::max_element(modes.begin(), modes.end(), [](const CameraMode& a, const CameraMode& b) {
    const bool a_raw = a.media == "video/x-raw", b_raw = b.media == "video/x-raw";
    if (std::tie(a.height, a.width) != std::tie(b.height, b.width)) {
      return std::tie(a.height, a.width) < std::tie(b.height, b.width);
    }
    if (a.Fps() != b.Fps()) return a.Fps() < b.Fps();
    return a_raw < b_raw;
  });
}

CapsRef CapsForMode(const CameraMode& mode) {
  auto caps = CapsRef::Adopt(gst_caps_new_simple(mode.media.c_str(), "width", G_TYPE_INT, mode.width,
                                                 "height", G_TYPE_INT, mode.height, nullptr));
  GstStructure* s = gst_caps_get_structure(caps.get(), 0);
  if (mode.fps_n > 0) gst_structure_set(s, "framerate", GST_TYPE_FRACTION, mode.fps_n, mode.fps_d, nullptr);
  if (!mode.format.empty()) gst_structure_set(s, "format", G_TYPE_STRING, mode.format.c_str(), nullptr);
  return caps;
}

}  // namespace vantora::capture
