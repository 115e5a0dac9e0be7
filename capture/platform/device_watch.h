#pragma once
// The video source providers kept watching for the life of the device list,
// so that the station learns at once when a camera is unplugged (the
// provider's device-removed), even while it sends no frames. The devices
// found when it starts are the device list; they are probed once, as a
// plain listing would.

#include <memory>
#include <vector>

#include "device_list.h"

namespace vantora::capture {

class DeviceWatch {
 public:
  DeviceWatch();   // lists and starts watching; see Watching()
  ~DeviceWatch();  // stops the monitor; its threads have ended on return
  DeviceWatch(const DeviceWatch&) = delete;
  DeviceWatch& operator=(const DeviceWatch&) = delete;

  // False when no provider could be watched: then the list is a plain
  // listing and no removal is ever reported.
  bool Watching() const;
  const std::vector<DeviceListing>& Devices() const { return devices_; }

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
  std::vector<DeviceListing> devices_;
};

}  // namespace vantora::capture
