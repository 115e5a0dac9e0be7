#pragma once
// A device's identity that outlives the listing it came from: it turns into
// bytes (stored with the graph's source member) and back, and binds to a new
// source element of the same device as long as that device is still there.
// A moniker from a listing keeps the device the listing found, so binding it
// opens no other device and lists nothing again; one made from bytes alone,
// or whose device has gone, finds its device with a new listing.
//
// A USB camera unplugged and plugged back in usually comes back under
// another node path; what stays is its name and the port it sits in (the bus
// path). So a moniker that knows its bus path finds the camera again by name
// and bus path; one that does not (test cameras) by its exact identity
// (CameraAtItsPort, device_list.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/gst_handles.h"

namespace vantora::capture {

// What tells one device from another: the API, the node path (or, for a
// provider that gives none, "#n" among the same-named devices of a listing),
// the display name and, for V4L2, the bus path (the USB port; empty where
// the device tells none).
struct DeviceIdentity {
  std::string api;
  std::string path;
  std::string name;
  std::string bus_path;
  friend bool operator==(const DeviceIdentity&, const DeviceIdentity&) = default;
};

class DeviceMoniker {
 public:
  DeviceMoniker(std::string api, std::string path, std::string display_name,
                DeviceRef device = {}, std::string bus_path = {});

  const DeviceIdentity& Identity() const { return identity_; }
  const std::string& Api() const { return identity_.api; }
  const std::string& Path() const { return identity_.path; }
  const std::string& DisplayName() const { return identity_.name; }
  const std::string& BusPath() const { return identity_.bus_path; }

  std::vector<std::uint8_t> Serialize() const;
  // None for bytes that are not a serialised moniker (truncated, foreign).
  static std::optional<DeviceMoniker> Deserialize(const std::vector<std::uint8_t>& bytes);

  // A new source element for the device, or an empty reference when the
  // device is gone or cannot be opened. `bound`, when given, learns the
  // identity of the device the element opens (its node may have changed).
  ElementRef BindToElement(std::optional<DeviceMoniker>* bound = nullptr) const;

  // Whether the moniker still holds the device its listing found.
  bool HoldsDevice() const { return static_cast<bool>(device_); }
  // The same identity without the device object: binding it lists again.
  DeviceMoniker Unbound() const { return DeviceMoniker(Api(), Path(), DisplayName(), {}, BusPath()); }

  // The same device: the identity, not the device object, decides.
  friend bool operator==(const DeviceMoniker& a, const DeviceMoniker& b) { return a.identity_ == b.identity_; }

 private:
  DeviceIdentity identity_;
  DeviceRef device_;
};

}  // namespace vantora::capture
