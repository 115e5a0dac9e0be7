#include "capture/platform/device_watch.h"

#include "capture/platform/device_list.h"
#include "capture/platform/gst_runtime.h"

namespace vantora::capture {
namespace {

using SharedNotify = SharedWithCallback<DeviceWatch::Notify>;

// Runs on the provider's thread as it posts. A device without a node path
// has no identity of its own outside a listing, so it is not told of.
void OnProviderMessage(GstBus*, GstMessage* message, gpointer data) {
  const bool added = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED;
  const bool removed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED;
  if (!added && !removed) return;
  GstDevice* raw = nullptr;
  if (added) gst_message_parse_device_added(message, &raw);
  if (removed) gst_message_parse_device_removed(message, &raw);
  auto device = DeviceRef::Adopt(raw);
  const DeviceIdentity identity = IdentityOf(device.get());
  if (!identity.path.empty()) SharedNotify::From(data)(identity, added);
}

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

DeviceWatch::DeviceWatch(Notify notify) : notify_(std::make_shared<Notify>(std::move(notify))) {
  for (auto& provider : VideoSourceProviders()) {
    // Started, a provider that cannot watch would only probe once and answer
    // every later listing from that one probe.
    if (!gst_device_provider_can_monitor(provider.get())) continue;
    Watched w{provider, BusRef::Adopt(gst_device_provider_get_bus(provider.get())), 0, false};
    gst_bus_enable_sync_message_emission(w.bus.get());
    w.handler = g_signal_connect_data(w.bus.get(), "sync-message", G_CALLBACK(OnProviderMessage),
                                      SharedNotify::New(notify_), SharedNotify::DeleteClosure, GConnectFlags{});
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

}  // namespace vantora::capture
