#include "device_list.h"

#include <map>

#include "gst_runtime.h"

namespace vantora::capture {
namespace {

constexpr char kVideoSource[] = "Video/Source";

std::string StructureString(const GstStructure* s, const char* field) {
  const gchar* v = s ? gst_structure_get_string(s, field) : nullptr;
  return v ? v : "";
}

// The identity the moniker keeps: the API and node path where the provider
// gives them, otherwise the name, told apart from same-named devices by its
// place among them; and the port a USB camera sits in, which outlasts
// unplugging it (V4L2's bus info, told by both ways a device is found).
DeviceMoniker IdentityOf(GstDevice* device, const std::string& name,
                         std::map<std::string, int>& unnamed_seen) {
  StructurePtr props(gst_device_get_properties(device));
  std::string api = StructureString(props.get(), "device.api");
  std::string path = StructureString(props.get(), "api.v4l2.path");
  if (path.empty()) path = StructureString(props.get(), "device.path");
  if (path.empty()) path = "#" + std::to_string(unnamed_seen[name]++);
  std::string bus = StructureString(props.get(), "v4l2.device.bus_info");
  return DeviceMoniker(api, path, name, DeviceRef::Share(device), bus);
}

}  // namespace

bool OffersUsableVideo(const GstCaps* caps) {
  if (!caps) return false;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const gchar* media = gst_structure_get_name(gst_caps_get_structure(caps, i));
    if (g_str_equal(media, "video/x-raw") || g_str_equal(media, "image/jpeg")) return true;
  }
  return false;
}

std::vector<DeviceListing> ListingOf(GList* devices) {
  std::vector<DeviceListing> result;
  std::map<std::string, int> unnamed_seen;
  for (GList* item = devices; item; item = item->next) {
    auto device = DeviceRef::Share(GST_DEVICE(item->data));
    CapsRef caps = CapsRef::Adopt(gst_device_get_caps(device.get()));
    if (!OffersUsableVideo(caps.get())) continue;
    GCharPtr name(gst_device_get_display_name(device.get()));
    std::string display = name ? name.get() : "";
    DeviceMoniker moniker = IdentityOf(device.get(), display, unnamed_seen);
    bool duplicate = false;
    for (const auto& listed : result) {
      duplicate = duplicate || (!moniker.Api().empty() && listed.moniker == moniker);
    }
    if (!duplicate) result.push_back({display, std::move(moniker), std::move(device)});
  }
  return result;
}

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
