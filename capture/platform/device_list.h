#pragma once
// The video input devices, in one stable order: real cameras first (by
// provider rank), then the test cameras. A device that cannot deliver video
// (a v4l2 metadata node, say) is left out, so each camera is listed once.

#include <string>
#include <vector>

#include "capture/platform/device_moniker.h"
#include "capture/platform/gst_handles.h"

namespace vantora::capture {

struct DeviceListing {
  std::string display_name;
  DeviceMoniker moniker;
  DeviceRef device;
};

std::vector<DeviceListing> ListVideoDevices();

// Whether a device's capabilities include a picture format the graph can
// turn into 24-bit frames (raw video or motion JPEG).
bool OffersUsableVideo(const GstCaps* caps);

// A device's identity as its provider tells it; the path stays empty where
// the provider gives none (only a listing can number such devices).
DeviceIdentity IdentityOf(GstDevice* device);

// Whether a present device is the camera an item names, wherever its node
// is now: the same name and USB port, which a camera keeps when it is
// plugged back in; without a port on either side, the same identity.
bool CameraAtItsPort(const DeviceIdentity& item, const DeviceIdentity& present);

// The present device that item `index` of a menu (the identities of all its
// items) reaches: the one at its name and port; where none is, the first
// present one of its name that no other item reaches (the camera in another
// port, or a new one of the same model). So no item is ever handed a camera
// that another item names, and same-named cameras in new ports are shared
// out one to an item, in menu order. Null when there is none.
const DeviceListing* CameraOfItem(const std::vector<DeviceIdentity>& items, std::size_t index,
                                  const std::vector<DeviceListing>& present);

}  // namespace vantora::capture
