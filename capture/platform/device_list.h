#pragma once
// The video input devices, in one stable order: real cameras first (by
// provider rank), then the test cameras. A device that cannot deliver video
// (a v4l2 metadata node, say) is left out, so each camera is listed once.

#include <string>
#include <vector>

#include "device_moniker.h"
#include "gst_handles.h"

namespace vantora::capture {

struct DeviceListing {
  std::string display_name;
  DeviceMoniker moniker;
  DeviceRef device;
};

std::vector<DeviceListing> ListVideoDevices();

// The usable video sources among these devices (a list of GstDevice), in
// their order, with their identities.
std::vector<DeviceListing> ListingOf(GList* devices);

// Whether a device's capabilities include a picture format the graph can
// turn into 24-bit frames (raw video or motion JPEG).
bool OffersUsableVideo(const GstCaps* caps);

}  // namespace vantora::capture
