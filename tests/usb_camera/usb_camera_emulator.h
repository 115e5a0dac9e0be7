#pragma once
// USB cameras emulated at the V4L2 level, for GStreamer's own v4l2 source and
// device provider to find and stream from, as from real ones. A umockdev
// testbed holds the devices (a USB device, its video interface, a capture
// node and a metadata node, with the udev properties uvcvideo cameras have);
// an ioctl handler answers the V4L2 calls; frames are written into the
// buffers the station maps, one per frame interval, each the coded picture
// of its frame number (coded_picture.h) or, when a test sets a scene, that
// scene at that frame (camera_scene.h). The process whose GStreamer uses
// the cameras runs with the preload helper and umockdev's preload library
// (usb_camera_session.h starts it so).
//
// Faults on demand: a camera can vanish (a remove event, then ENODEV for
// every call on its open descriptors), refuse the format or the stream start
// with EBUSY (every time, or the first format only), or stop sending frames. A vanished camera can be plugged in
// again under the same name and bus path; like a kernel, the emulator gives
// it the lowest free node number, and a number stays taken while a
// descriptor of its old node is still open.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/usb_camera/camera_modes.h"
#include "tests/usb_camera/camera_scene.h"

namespace vantora::testing {

struct UsbCameraSetup {
  std::string name;      // the product name, as QUERYCAP's card and ID_V4L_PRODUCT
  std::string usb_port;  // e.g. "1": the bus path is built from it, as on a real host
  std::vector<UsbCameraMode> modes;
};

enum class UsbCameraFault {
  kNone,
  kVanishAfterFrames,  // with a count: frames still sent before the camera goes
  kBusyFormat,         // S_FMT answers EBUSY
  kBusyFirstFormat,    // the next S_FMT answers EBUSY, the ones after it as usual
  kBusyStreamOn,       // STREAMON answers EBUSY
  kStopFrames,         // the stream stays on, no frame arrives
};

struct UsbCameraState {
  bool present = false;
  std::string node;            // "/dev/videoN" while present
  bool streaming = false;
  std::uint64_t frames = 0;    // frames sent since the camera was (re)plugged
  std::uint32_t last_frame = 0;  // the number coded in the last frame sent
  std::uint32_t scene_from = 0;  // the first frame number of the current scene
  int open_descriptors = 0;    // on its current node
  std::uint32_t fourcc = 0;  // the format the station set
  int width = 0, height = 0;
  FrameInterval interval;
};

class UsbCameraEmulator {
 public:
  UsbCameraEmulator();  // makes the testbed; throws std::runtime_error
  ~UsbCameraEmulator();
  UsbCameraEmulator(const UsbCameraEmulator&) = delete;
  UsbCameraEmulator& operator=(const UsbCameraEmulator&) = delete;

  // The testbed's root: UMOCKDEV_DIR for the process that uses the cameras.
  std::string Root() const;

  // Plugs a new camera in; returns its index.
  int Add(const UsbCameraSetup& setup);
  void Unplug(int camera);  // the camera vanishes now
  // A vanished camera comes back, same name, in its port or in `port`.
  void Plug(int camera, const std::string& port = {});
  void SetFault(int camera, UsbCameraFault fault, int frames = 0);
  // What the camera films from its next frame on (kept across replugging).
  void SetScene(int camera, const CameraScene& scene);
  UsbCameraState State(int camera) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantora::testing
