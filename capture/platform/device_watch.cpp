#include "device_watch.h"

#include <map>
#include <mutex>
#include <string>

#include "gst_runtime.h"

namespace vantora::capture {

struct DeviceWatch::Shared {
  std::mutex mutex;
  std::map<std::string, bool> present;  // by identity, for those that came or went
};

namespace {

std::string Key(const DeviceMoniker& m) {
  return m.Api() + '\n' + m.Path() + '\n' + m.DisplayName() + '\n' + m.BusPath();
}

// Runs on the provider's thread as it posts: notes what came and went.
void OnProviderMessage(GstBus*, GstMessage* message, gpointer data) {
  auto& shared = **static_cast<std::shared_ptr<DeviceWatch::Shared>*>(data);
  const bool added = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED;
  const bool removed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED;
  if (!added && !removed) return;
  GstDevice* raw = nullptr;
  if (added) gst_message_parse_device_added(message, &raw);
  if (removed) gst_message_parse_device_removed(message, &raw);
  auto device = DeviceRef::Adopt(raw);
  GList one{device.get(), nullptr, nullptr};
  for (const auto& listed : ListingOf(&one)) {
    std::lock_guard lock(shared.mutex);
    shared.present[Key(listed.moniker)] = added;
  }
}

void DeleteShared(gpointer data, GClosure*) { delete static_cast<std::shared_ptr<DeviceWatch::Shared>*>(data); }

// Every provider of video sources a device monitor would ask.
std::vector<DeviceProviderRef> VideoSourceProviders() {
  EnsureGstreamer();
  GList* factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_MARGINAL);
  std::vector<DeviceProviderRef> providers;
  for (GList* item = factories; item; item = item->next) {
    auto* factory = GST_DEVICE_PROVIDER_FACTORY(item->data);
    if (!gst_device_provider_factory_has_classes(factory, "Video/Source")) continue;
    if (auto provider = DeviceProviderRef::Adopt(gst_device_provider_factory_get(factory))) {
      providers.push_back(std::move(provider));
    }
  }
  gst_plugin_feature_list_free(factories);
  return providers;
}

}  // namespace

DeviceWatch::DeviceWatch() : shared_(std::make_shared<Shared>()) {
  for (auto& provider : VideoSourceProviders()) {
    Watched w{provider, BusRef::Adopt(gst_device_provider_get_bus(provider.get())), 0, false};
    gst_bus_enable_sync_message_emission(w.bus.get());
    w.handler = g_signal_connect_data(w.bus.get(), "sync-message", G_CALLBACK(OnProviderMessage),
                                      new std::shared_ptr<Shared>(shared_), DeleteShared, GConnectFlags{});
    w.started = gst_device_provider_start(provider.get());
    watched_.push_back(std::move(w));
  }
}

DeviceWatch::~DeviceWatch() {
  for (auto& w : watched_) {
    if (w.started) gst_device_provider_stop(w.provider.get());
    g_signal_handler_disconnect(w.bus.get(), w.handler);
    gst_bus_disable_sync_message_emission(w.bus.get());
  }
}

bool DeviceWatch::Watching() const {
  for (const auto& w : watched_) {
    if (w.started) return true;
  }
  return false;
}

bool DeviceWatch::Removed(const DeviceMoniker& moniker) const {
  std::lock_guard lock(shared_->mutex);
  auto it = shared_->present.find(Key(moniker));
  return it != shared_->present.end() && !it->second;
}

}  // namespace vantora::capture
