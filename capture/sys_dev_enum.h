#pragma once
// The list of video input devices, made once. The listing keeps what it
// found, so choosing a device by its position opens no other device: the
// moniker it gives binds straight to the device that stood there. The list
// keeps watching its devices: the moniker of one that has been unplugged
// since finds it again by a new listing (under its new node, if it is back).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_list.h"
#include "device_moniker.h"
#include "device_watch.h"

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
  // The device listed at that position; none when the index is out of
  // range. A device unplugged since the listing still gives its moniker,
  // which then binds to nothing.
  std::optional<capture::DeviceMoniker> DeviceMoniker(int index) const;

  // Whether this device has been unplugged since the listing and is not
  // back under the same node.
  bool Removed(const capture::DeviceMoniker& moniker) const;

  void Enumerate();

 private:
  std::unique_ptr<capture::DeviceWatch> watch_;
  std::vector<TDeviceEntry> entries_;
  std::vector<capture::DeviceMoniker> monikers_;
};

// The first bytes of a UTF-8 text, at most max_bytes, never splitting a
// character.
std::string CutUtf8(const std::string& text, std::size_t max_bytes);

}  // namespace vantora
