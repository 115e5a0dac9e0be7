#include "capture/sys_dev_enum.h"

#include <algorithm>
#include <stdexcept>

namespace vantora {

std::string CutUtf8(const std::string& text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = max_bytes;
  // Step back over continuation bytes so the cut lands before a lead byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

TSysDevEnum::TSysDevEnum() { Enumerate(); }

void TSysDevEnum::Enumerate() {
  entries_.clear();
  monikers_.clear();
  watch_.reset();
  removed_.clear();
  // Watching first, so that no removal after the listing goes unheard.
  watch_ = std::make_unique<capture::DeviceWatch>([this](const capture::DeviceIdentity& device, bool present) {
    QMetaObject::invokeMethod(&events_, [this, device, present] { Heard(device, present); }, Qt::QueuedConnection);
  });
  for (auto& device : capture::ListVideoDevices()) {
    entries_.push_back({CutUtf8(device.display_name, kMaxFriendlyNameBytes)});
    monikers_.push_back(std::move(device.moniker));
  }
}

void TSysDevEnum::Heard(const capture::DeviceIdentity& device, bool present) {
  std::erase(removed_, device);
  if (present) return;
  removed_.push_back(device);
  if (OnRemoved) OnRemoved(device);
}

TDeviceEntry TSysDevEnum::DeviceEntry(int index) const {
  if (index < 0 || index >= DeviceCount()) throw std::out_of_range("device index out of range");
  return entries_[static_cast<std::size_t>(index)];
}

std::optional<capture::DeviceMoniker> TSysDevEnum::DeviceMoniker(int index) const {
  if (index < 0 || index >= DeviceCount()) return std::nullopt;
  const capture::DeviceMoniker& listed = monikers_[static_cast<std::size_t>(index)];
  if (std::find(removed_.begin(), removed_.end(), listed.Identity()) == removed_.end()) return listed;
  // Its node may hold another camera by now: the listing's device is not used.
  std::vector<capture::DeviceIdentity> items;
  for (const auto& m : monikers_) items.push_back(m.Identity());
  const auto present = capture::ListVideoDevices();
  const auto* camera = capture::CameraOfItem(items, static_cast<std::size_t>(index), present);
  return camera ? camera->moniker : listed.Unbound();
}

}  // namespace vantora
