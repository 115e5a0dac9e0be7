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

#include <functional>
#include <memory>
#include <vector>

#include "capture/platform/device_moniker.h"

namespace vantora::capture {

class DeviceWatch {
 public:
  // Told, on the provider's own thread, of every device with a node path
  // that comes (true) or goes (false); it must only schedule work.
  using Notify = std::function<void(const DeviceIdentity&, bool present)>;

  // Starts every video source provider that can watch; one that cannot
  // (it only answers probes) is left to the listings.
  explicit DeviceWatch(Notify notify);
  ~DeviceWatch();  // stops them; their threads have ended on return
  DeviceWatch(const DeviceWatch&) = delete;
  DeviceWatch& operator=(const DeviceWatch&) = delete;

 private:
  struct Watched {
    DeviceProviderRef provider;
    BusRef bus;
    gulong handler = 0;
    bool started = false;
  };
  std::shared_ptr<Notify> notify_;
  std::vector<Watched> watched_;
};

}  // namespace vantora::capture
