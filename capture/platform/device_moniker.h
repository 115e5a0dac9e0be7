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
// and bus path; one that does not (test cameras) by its exact identity.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gst_handles.h"

namespace vantora::capture {

class DeviceMoniker {
 public:
  DeviceMoniker(std::string api, std::string path, std::string display_name,
                DeviceRef device = {}, std::string bus_path = {});

  const std::string& Api() const { return api_; }
  const std::string& Path() const { return path_; }
  const std::string& DisplayName() const { return display_name_; }
  const std::string& BusPath() const { return bus_path_; }

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
  DeviceMoniker Unbound() const { return DeviceMoniker(api_, path_, display_name_, {}, bus_path_); }

  // Whether a listed device is this camera, wherever its node now is.
  bool SameCamera(const DeviceMoniker& listed) const;

  // The same device: the identity, not the device object, decides.
  friend bool operator==(const DeviceMoniker& a, const DeviceMoniker& b) {
    return a.api_ == b.api_ && a.path_ == b.path_ && a.display_name_ == b.display_name_ &&
           a.bus_path_ == b.bus_path_;
  }

 private:
  std::string api_;
  std::string path_;
  std::string display_name_;
  DeviceRef device_;
  std::string bus_path_;  // empty where the device tells none
};

}  // namespace vantora::capture
