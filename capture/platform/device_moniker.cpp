#include "capture/platform/device_moniker.h"

#include <sys/stat.h>

#include <cstring>

#include "capture/platform/device_list.h"

namespace vantora::capture {
namespace {

constexpr char kMagic[4] = {'V', 'D', 'M', '1'};
// Generous for a path or a name; anything longer is not ours.
constexpr std::uint32_t kMaxFieldBytes = 64 * 1024;

void PutField(std::vector<std::uint8_t>& out, const std::string& s) {
  auto n = static_cast<std::uint32_t>(s.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
  out.insert(out.end(), s.begin(), s.end());
}

bool GetField(const std::vector<std::uint8_t>& in, std::size_t& pos, std::string& s) {
  if (in.size() - pos < 4) return false;
  std::uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= static_cast<std::uint32_t>(in[pos + i]) << (8 * i);
  pos += 4;
  if (n > kMaxFieldBytes || in.size() - pos < n) return false;
  s.assign(reinterpret_cast<const char*>(in.data() + pos), n);
  pos += n;
  return true;
}

}  // namespace

DeviceMoniker::DeviceMoniker(std::string api, std::string path, std::string display_name,
                             DeviceRef device, std::string bus_path)
    : identity_{std::move(api), std::move(path), std::move(display_name), std::move(bus_path)},
      device_(std::move(device)) {}

// The bus path comes last and only when known, so the bytes of a moniker
// without one read as before.
std::vector<std::uint8_t> DeviceMoniker::Serialize() const {
  std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
  PutField(out, Api());
  PutField(out, Path());
  PutField(out, DisplayName());
  if (!BusPath().empty()) PutField(out, BusPath());
  return out;
}

std::optional<DeviceMoniker> DeviceMoniker::Deserialize(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    return std::nullopt;
  }
  std::size_t pos = sizeof kMagic;
  std::string api, path, name, bus;
  if (!GetField(bytes, pos, api) || !GetField(bytes, pos, path) || !GetField(bytes, pos, name)) {
    return std::nullopt;
  }
  if (pos != bytes.size() && (!GetField(bytes, pos, bus) || bus.empty() || pos != bytes.size())) {
    return std::nullopt;
  }
  return DeviceMoniker(std::move(api), std::move(path), std::move(name), {}, std::move(bus));
}

namespace {

// A device node that has gone (the camera was unplugged) cannot be opened;
// finding that out here keeps the answer the same as for a device no
// listing shows any more. Identities that are no file are left to the
// device's own element.
bool NodeStillThere(const std::string& path) {
  if (path.empty() || path.front() != '/') return true;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

// The device the listing found, while its node is there; otherwise the same
// camera as a new listing finds it (plugged back in, perhaps under another
// node), or nothing: never a stale element.
ElementRef DeviceMoniker::BindToElement(std::optional<DeviceMoniker>* bound) const {
  auto bind = [&](const DeviceMoniker& found, GstDevice* device) {
    ElementRef element = AdoptFloating(gst_device_create_element(device, nullptr));
    if (bound && element) *bound = found;
    return element;
  };
  if (device_ && NodeStillThere(Path())) return bind(*this, device_.get());
  for (const auto& listed : ListVideoDevices()) {
    if (CameraAtItsPort(identity_, listed.moniker.Identity())) return bind(listed.moniker, listed.device.get());
  }
  return {};
}

}  // namespace vantora::capture
