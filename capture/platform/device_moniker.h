#pragma once
// A device's identity that outlives the listing it came from: it turns into
// bytes (stored with the graph's source member) and back, and binds to a new
// source element of the same device as long as that device is still there.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gst_handles.h"

namespace vantora::capture {

class DeviceMoniker {
 public:
  DeviceMoniker(std::string api, std::string path, std::string display_name);

  const std::string& Api() const { return api_; }
  const std::string& Path() const { return path_; }
  const std::string& DisplayName() const { return display_name_; }

  std::vector<std::uint8_t> Serialize() const;
  // None for bytes that are not a serialised moniker (truncated, foreign).
  static std::optional<DeviceMoniker> Deserialize(const std::vector<std::uint8_t>& bytes);

  // A new source element for the device, or an empty reference when the
  // device is gone or cannot be opened.
  ElementRef BindToElement() const;

  friend bool operator==(const DeviceMoniker&, const DeviceMoniker&) = default;

 private:
  std::string api_;
  std::string path_;
  std::string display_name_;
};

}  // namespace vantora::capture
