#pragma once
// The list of video input devices, made once. The listing keeps what it
// found, so choosing a device by its position opens no other device: the
// moniker it gives binds straight to the device that stood there. The list
// keeps watching its devices, on the GUI thread: one that has been unplugged
// since is found again by a new listing (CameraOfItem: at its port, or in
// another one where no other item reaches that camera).

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/device_list.h"
#include "capture/platform/device_moniker.h"
#include "capture/platform/device_watch.h"

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
  // The device listed at that position, or the camera that item reaches now
  // when the listed one has been unplugged; none when the index is out of
  // range. Where no camera is found, the item's moniker binds to nothing.
  std::optional<capture::DeviceMoniker> DeviceMoniker(int index) const;

  // Told on the GUI thread when a device has been unplugged.
  std::function<void(const capture::DeviceIdentity&)> OnRemoved;

  void Enumerate();

 private:
  void Heard(const capture::DeviceIdentity& device, bool present);

  QObject events_;  // the GUI thread's end of the watch; outlives it
  std::unique_ptr<capture::DeviceWatch> watch_;
  std::vector<capture::DeviceIdentity> removed_;  // unplugged since the listing, not back
  std::vector<TDeviceEntry> entries_;
  std::vector<capture::DeviceMoniker> monikers_;
};

// The first bytes of a UTF-8 text, at most max_bytes, never splitting a
// character.
std::string CutUtf8(const std::string& text, std::size_t max_bytes);

}  // namespace vantora
