#pragma once
// The list of video input devices, made once; a device is found again by
// its position when it is chosen.

#include <optional>
#include <string>
#include <vector>

#include "device_moniker.h"

namespace vantora {

// Display names are cut to this many bytes, at a character boundary.
inline constexpr std::size_t kMaxFriendlyNameBytes = 255;

struct TDeviceEntry {
  std::string FriendlyName;
};

class TSysDevEnum {
 public:
  TSysDevEnum();  // enumerates at once

  int DeviceCount() const { return static_cast<int>(entries_.size()); }
  // Throws std::out_of_range outside 0 <= index < DeviceCount.
  TDeviceEntry DeviceEntry(int index) const;
  // Enumerates again and takes the device now at that position; none when
  // the index is out of range or no device stands there any more.
  std::optional<capture::DeviceMoniker> DeviceMoniker(int index) const;

  void Enumerate();

 private:
  std::vector<TDeviceEntry> entries_;
};

// The first bytes of a UTF-8 text, at most max_bytes, never splitting a
// character.
std::string CutUtf8(const std::string& text, std::size_t max_bytes);

}  // namespace vantora
