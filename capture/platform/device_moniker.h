#pragma once
// A device's identity that outlives the listing it came from: it turns into
// bytes (stored with the graph's source member) and back, and binds to a new
// source element of the same device as long as that device is still there.
// A moniker from a listing keeps the device the listing found, so binding it
// opens no other device and lists nothing again; one made from bytes alone
// finds its device with a new listing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gst_handles.h"

namespace vantora::capture {

class DeviceMoniker {
 public:
  DeviceMoniker(std::string api, std::string path, std::string display_name,
                DeviceRef device = {});

  const std::string& Api() const { return api_; }
  const std::string& Path() const { return path_; }
  const std::string& DisplayName() const { return display_name_; }

  std::vector<std::uint8_t> Serialize() const;
  // None for bytes that are not a serialised moniker (truncated, foreign).
  static std::optional<DeviceMoniker> Deserialize(const std::vector<std::uint8_t>& bytes);

  // A new source element for the device, or an empty reference when the
  // device is gone or cannot be opened.
  ElementRef BindToElement() const;

  // Whether the moniker still holds the device its listing found.
  bool HoldsDevice() const { return static_cast<bool>(device_); }

  // The same device: the identity, not the device object, decides.
  friend bool operator==(const DeviceMoniker& a, const DeviceMoniker& b) {
    return a.api_ == b.api_ && a.path_ == b.path_ && a.display_name_ == b.display_name_;
  }

 private:
  std::string api_;
  std::string path_;
  std::string display_name_;
  DeviceRef device_;
};

}  // namespace vantora::capture
