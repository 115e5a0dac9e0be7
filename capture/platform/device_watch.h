#pragma once
// The video source providers kept watching for the life of the device list,
// so that the station learns at once when a camera is unplugged (the
// provider's device-removed), even while it sends no frames. A listing made
// while they watch gets their current devices, with no second probe.
//
// It listens on the providers' own buses rather than through a second
// GstDeviceMonitor: a monitor made and dropped while another one runs stops
// that one from hearing of devices coming and going (measured with
// GStreamer 1.22), and the listing makes one each time.

#include <memory>
#include <vector>

#include "device_list.h"

namespace vantora::capture {

class DeviceWatch {
 public:
  DeviceWatch();   // starts every video source provider that can watch
  ~DeviceWatch();  // stops them; their threads have ended on return
  DeviceWatch(const DeviceWatch&) = delete;
  DeviceWatch& operator=(const DeviceWatch&) = delete;

  // False when no provider could watch (no udev, say): no removal is ever
  // reported then.
  bool Watching() const;

  // Whether the device of this identity has been removed since the watch
  // started, and has not come back under the same identity (node path,
  // name and bus path). Safe from any thread.
  bool Removed(const DeviceMoniker& moniker) const;

  struct Shared;

 private:
  struct Watched {
    DeviceProviderRef provider;
    BusRef bus;
    gulong handler = 0;
    bool started = false;
  };
  std::shared_ptr<Shared> shared_;
  std::vector<Watched> watched_;
};

}  // namespace vantora::capture
