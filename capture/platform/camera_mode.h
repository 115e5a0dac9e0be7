#pragma once
// The picture modes a camera offers (format, size, frame rate) and the one
// the preview asks for. Cameras offer their large sizes at usable rates often
// only as motion JPEG, and left to itself negotiation may settle on a mode
// of a few frames a second; so the mode is chosen, as an operator would:
//
//  1. smooth: only modes of at least 25 frames a second, where there are any;
//  2. sharp enough for the portrait: only modes of at least 480 rows, where
//     any are left;
//  3. no bigger than needed: no more than 720 rows, where a mode of 480 to
//     720 rows is left;
//  4. of what remains, the most rows, then the most columns, then the
//     highest frame rate, then raw video before motion JPEG (no decoding).

#include <optional>
#include <string>
#include <vector>

#include "capture/platform/gst_handles.h"

namespace vantora::capture {

inline constexpr double kSmoothFramesPerSecond = 25;
inline constexpr int kSharpRows = 480;
inline constexpr int kLargestNeededRows = 720;

struct CameraMode {
  std::string media;   // "video/x-raw" or "image/jpeg"
  std::string format;  // the raw format ("YUY2"), empty when not fixed
  int width = 0;
  int height = 0;
  int fps_n = 0;  // the highest rate the mode offers
  int fps_d = 1;
  double Fps() const { return fps_d > 0 ? static_cast<double>(fps_n) / fps_d : 0; }
  friend bool operator==(const CameraMode&, const CameraMode&) = default;
};

// The modes of fixed size among a device's capabilities, raw video and
// motion JPEG only, in the order offered.
std::vector<CameraMode> ModesOf(const GstCaps* caps);

std::optional<CameraMode> ChooseMode(const std::vector<CameraMode>& modes);

// Caps that fix the device to exactly this mode.
CapsRef CapsForMode(const CameraMode& mode);

}  // namespace vantora::capture
