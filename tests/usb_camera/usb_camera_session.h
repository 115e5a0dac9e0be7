#pragma once
// The emulated USB cameras seen from the process that uses them: a test, a
// benchmark, or a launcher that starts the station. The emulator runs as a
// process of its own (usb_camera_emulator); this side starts it, adds
// cameras, breaks them on demand and reads their state.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "tests/usb_camera/usb_camera_emulator.h"

namespace vantora::testing {

// Call first in main(): runs the program again under the emulation's
// preload libraries, with a GStreamer registry of its own that this call
// builds first, outside the emulation. Returns in the program run again.
void EnterCameraEmulation(char** argv);

class EmulatedCameras {
 public:
  // Starts the emulator and points this process at its testbed (before
  // anything here lists devices). Throws std::runtime_error when it cannot.
  EmulatedCameras();
  ~EmulatedCameras();  // ends the emulator; its cameras vanish with it
  EmulatedCameras(const EmulatedCameras&) = delete;
  EmulatedCameras& operator=(const EmulatedCameras&) = delete;

  struct Plugged {
    int index = -1;
    std::string node;  // "/dev/videoN"
  };
  // A camera plugged into USB port `port` ("1", "2"...): the bus path says
  // which port, as on a real machine, so two of one model stay apart.
  Plugged Add(const std::string& name, const std::string& modes, const std::string& port);
  void Unplug(int camera);
  // Back in its port, or in `port`; returns its new node.
  std::string Plug(int camera, const std::string& port = "");
  // "none", "busy-format", "busy-first-format", "busy-stream", "stop" or
  // "vanish-after" (with frames).
  void Fault(int camera, const std::string& fault, int frames = 0);
  void Scene(int camera, const CameraScene& scene);
  UsbCameraState State(int camera);

  // What another process needs to use these cameras (the station started by
  // a test or a benchmark): the preload libraries, the testbed, and a
  // GStreamer registry built outside the emulation.
  const std::vector<std::pair<std::string, std::string>>& Environment() const { return environment_; }

 private:
  std::string Ask(const std::string& command);

  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
  std::string root_;
  std::vector<std::pair<std::string, std::string>> environment_;
  std::string pending_;  // bytes read past the last line
};

}  // namespace vantora::testing
