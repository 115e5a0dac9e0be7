#pragma once
// The list of test cameras a developer or a test asks for, and the faults
// they may be told to show. Kept apart from GStreamer so it can be checked
// on its own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::capture {

inline constexpr const char* kTestCamerasVariable = "VANTORA_TEST_CAMERAS";
inline constexpr const char* kTestCameraFaultVariable = "VANTORA_TEST_CAMERA_FAULT";
inline constexpr int kTestCameraMaxSide = 8192;
inline constexpr int kTestCameraGridMaxSide = 4095;
inline constexpr int kTestCameraMaxFps = 240;

// One picture mode of a camera that offers several: "yuyv640x480@30" or
// "mjpg1280x720@30".
struct TestCameraMode {
  bool mjpeg = false;
  int width = 0;
  int height = 0;
  int fps = 0;
};

struct TestCameraSetup {
  std::string key;  // the item as written, e.g. "640x480" or "640x480:mjpg"
  int width = 0;
  int height = 0;
  bool mjpeg = false;  // offers only motion JPEG, like many USB cameras
  // Shows a still coded grid in RGB instead of the moving picture: the pixel
  // at (x, y) is red x % 256, green y % 256, blue x / 256 + 16 * (y / 256)
  // (sides below 4096), so a grab can be checked pixel for pixel.
  bool grid = false;
  // Offers these modes, like a USB camera (":modes=yuyv640x480@30+mjpg1280x720@30");
  // empty: the one mode of the item's size at 30 frames a second.
  std::vector<TestCameraMode> modes;
  std::string DisplayName() const;
};

// "640x480,720x480:mjpg,350x262:grid,1280x720:modes=yuyv640x480@30+mjpg1280x720@30"
// -> one entry per well-formed item, in order; malformed items are skipped
// so a typo never takes the other cameras away.
std::vector<TestCameraSetup> ParseTestCameraList(std::string_view text);

enum class TestCameraFaultKind {
  kNone,
  kErrorAfter,    // delivers `frames` frames, then fails like an unplugged camera
  kNoFrames,      // negotiates, then never delivers a frame
  kNoElement,     // listed, but cannot be opened
};

struct TestCameraFault {
  TestCameraFaultKind kind = TestCameraFaultKind::kNone;
  int frames = 0;
};

// "640x480=error-after:5,1280x720=no-frames" -> the fault for `key`.
TestCameraFault FindTestCameraFault(std::string_view text, std::string_view key);

}  // namespace vantora::capture
