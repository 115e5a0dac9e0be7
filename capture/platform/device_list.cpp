#include "capture/platform/device_list.h"

#include <algorithm>
#include <map>

#include "capture/platform/gst_runtime.h"

namespace vantora::capture {
namespace {

constexpr char kVideoSource[] = "Video/Source";

std::string StructureString(const GstStructure* s, const char* field) {
  const gchar* v = s ? gst_structure_get_string(s, field) : nullptr;
  return v ? v : "";
}

}  // namespace

// The API and node path where the provider gives them, the name, and the
// port a USB camera sits in, which outlasts unplugging it (V4L2's bus info,
// told by both ways a device is found).
DeviceIdentity IdentityOf(GstDevice* device) {
  StructurePtr props(gst_device_get_properties(device));
  GCharPtr name(gst_device_get_display_name(device));
  DeviceIdentity id{StructureString(props.get(), "device.api"), StructureString(props.get(), "api.v4l2.path"),
                    name ? name.get() : "", StructureString(props.get(), "v4l2.device.bus_info")};
  if (id.path.empty()) id.path = StructureString(props.get(), "device.path");
  return id;
}

bool CameraAtItsPort(const DeviceIdentity& item, const DeviceIdentity& present) {
  if (item.bus_path.empty() || present.bus_path.empty()) return item == present;
  return item.api == present.api && item.name == present.name && item.bus_path == present.bus_path;
}

const DeviceListing* CameraOfItem(const std::vector<DeviceIdentity>& items, std::size_t index,
                                  const std::vector<DeviceListing>& present) {
  std::vector<const DeviceIdentity*> reached_by(present.size(), nullptr);
  auto reach = [&](auto&& rule) {
    for (const DeviceIdentity& item : items) {
      if (std::find(reached_by.begin(), reached_by.end(), &item) != reached_by.end()) continue;
      for (std::size_t j = 0; j < present.size(); ++j) {
        if (!reached_by[j] && rule(item, present[j].moniker.Identity())) {
          reached_by[j] = &item;
          break;
        }
      }
    }
  };
  reach(CameraAtItsPort);
  reach([](const DeviceIdentity& item, const DeviceIdentity& p) { return item.api == p.api && item.name == p.name; });
  auto it = std::find(reached_by.begin(), reached_by.end(), &items.at(index));
  return it == reached_by.end() ? nullptr : &present[static_cast<std::size_t>(it - reached_by.begin())];
}

bool OffersUsableVideo(const GstCaps* caps) {
  if (!caps) return false;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const gchar* media = gst_structure_get_name(gst_caps_get_structure(caps, i));
    if (g_str_equal(media, "video/x-raw") || g_str_equal(media, "image/jpeg")) return true;
  }
  return false;
}

namespace {

// The usable video sources among these devices (a list of GstDevice), in
// their order, with their identities.
std::vector<DeviceListing> ListingOf(GList* devices) {
  std::vector<DeviceListing> result;
  std::map<std::string, int> unnamed_seen;
  for (GList* item = devices; item; item = item->next) {
    auto device = DeviceRef::Share(GST_DEVICE(item->data));
    CapsRef caps = CapsRef::Adopt(gst_device_get_caps(device.get()));
    if (!OffersUsableVideo(caps.get())) continue;
    DeviceIdentity id = IdentityOf(device.get());
    if (id.path.empty()) id.path = "#" + std::to_string(unnamed_seen[id.name]++);
    DeviceMoniker moniker(id.api, id.path, id.name, device, id.bus_path);
    bool duplicate = false;
    for (const auto& listed : result) {
      duplicate = duplicate || (!moniker.Api().empty() && listed.moniker == moniker);
    }
    if (!duplicate) result.push_back({id.name, std::move(moniker), std::move(device)});
  }
  return result;
}

}  // namespace

std::vector<DeviceListing> ListVideoDevices() {
  EnsureGstreamer();
  auto monitor = DeviceMonitorRef::Adopt(gst_device_monitor_new());
  gst_device_monitor_add_filter(monitor.get(), kVideoSource, nullptr);
  GList* devices = gst_device_monitor_get_devices(monitor.get());
  auto result = ListingOf(devices);
  g_list_free_full(devices, gst_object_unref);
  return result;
}

}  // namespace vantora::capture
