#pragma once
// Helpers shared by the capture tests: choose the test cameras and their
// faults for one test, and wait for something without sleeping blindly.

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <glob.h>
#include <mutex>
#include <string>

namespace vantora::testing {

// Sets the test cameras (and faults) for the lifetime of the object.
class ScopedTestCameras {
 public:
  explicit ScopedTestCameras(const std::string& cameras, const std::string& faults = "") {
    setenv("VANTORA_TEST_CAMERAS", cameras.c_str(), 1);
    setenv("VANTORA_TEST_CAMERA_FAULT", faults.c_str(), 1);
  }
  ~ScopedTestCameras() {
    unsetenv("VANTORA_TEST_CAMERAS");
    unsetenv("VANTORA_TEST_CAMERA_FAULT");
  }
  ScopedTestCameras(const ScopedTestCameras&) = delete;
  ScopedTestCameras& operator=(const ScopedTestCameras&) = delete;
};

// Whether the machine has any video device node a real camera would use.
inline bool MachineHasVideoNodes() {
  glob_t found{};
  const bool any = glob("/dev/video*", 0, nullptr, &found) == 0 && found.gl_pathc > 0;
  globfree(&found);
  return any;
}

// Polls a condition that streaming threads change, with a deadline; the
// pause between polls is short and the wait ends as soon as it holds.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  std::mutex m;
  std::condition_variable cv;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(m);
  while (!condition()) {
    if (cv.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                   std::chrono::milliseconds(5))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      return condition();
    }
  }
  return true;
}

}  // namespace vantora::testing
