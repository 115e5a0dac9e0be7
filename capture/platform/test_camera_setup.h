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

struct TestCameraSetup {
  std::string key;  // the item as written, e.g. "640x480" or "640x480:mjpg"
  int width = 0;
  int height = 0;
  bool mjpeg = false;  // offers only motion JPEG, like many USB cameras
  std::string DisplayName() const;
};

// "640x480,720x480:mjpg" -> one entry per well-formed item, in order;
// malformed items are skipped so a typo never takes the other cameras away.
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
