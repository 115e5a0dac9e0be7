#pragma once
// Weak references on GStreamer objects, so a test can tell whether every
// element, pad and buffer of a released graph has really been freed. Each
// object is watched once; its entry goes when GLib finalises it, on
// whatever thread drops the last reference.

#include <gst/gst.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/framework/open_descriptors.h"

namespace vantora::testing {

class FinalisationWatch {
 public:
  FinalisationWatch() = default;
  FinalisationWatch(const FinalisationWatch&) = delete;
  FinalisationWatch& operator=(const FinalisationWatch&) = delete;
  // Objects still alive lose their weak references here, so a late
  // finalisation never calls into a watch that has gone.
  ~FinalisationWatch() {
    std::lock_guard lock(mutex_);
    for (auto& [p, entry] : live_) {
      if (entry.buffer) {
        gst_mini_object_weak_unref(GST_MINI_OBJECT(p), OnBufferGone, this);
      } else {
        g_object_weak_unref(G_OBJECT(p), OnObjectGone, this);
      }
    }
  }

  void WatchObject(GstObject* object) {
    if (!object) return;
    std::lock_guard lock(mutex_);
    if (live_.count(object)) return;
    gchar* name = gst_object_get_name(object);
    live_[object] = {std::string(G_OBJECT_TYPE_NAME(object)) + " " + (name ? name : ""), false};
    g_free(name);
    ++watched_;
    g_object_weak_ref(G_OBJECT(object), OnObjectGone, this);
  }

  void WatchBuffer(GstBuffer* buffer) {
    std::lock_guard lock(mutex_);
    if (live_.count(buffer)) return;
    live_[buffer] = {"GstBuffer of " + std::to_string(gst_buffer_get_size(buffer)) + " bytes", true};
    ++watched_;
    gst_mini_object_weak_ref(GST_MINI_OBJECT(buffer), OnBufferGone, this);
  }

  // A pipeline with its bus, every element inside it at any depth, and
  // every pad of those elements, ghost pads' inner halves included.
  void WatchGraph(GstElement* pipeline) {
    WatchObject(GST_OBJECT(pipeline));
    GstBus* bus = gst_element_get_bus(pipeline);
    WatchObject(GST_OBJECT(bus));
    gst_object_unref(bus);
    std::vector<GstElement*> elements;
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
      elements.push_back(GST_ELEMENT(g_value_dup_object(&item)));
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    for (GstElement* e : elements) {
      WatchObject(GST_OBJECT(e));
      GstIterator* pads = gst_element_iterate_pads(e);
      while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        GstPad* pad = GST_PAD(g_value_get_object(&item));
        WatchObject(GST_OBJECT(pad));
        if (GST_IS_GHOST_PAD(pad)) {
          GstProxyPad* inner = gst_proxy_pad_get_internal(GST_PROXY_PAD(pad));
          WatchObject(GST_OBJECT(inner));
          if (inner) gst_object_unref(inner);
        }
        g_value_reset(&item);
      }
      g_value_unset(&item);
      gst_iterator_free(pads);
      gst_object_unref(e);
    }
  }

  // Watches every buffer that reaches this element's sink pad from now on.
  void WatchBuffersInto(GstElement* element) {
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    if (!pad) return;
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
          static_cast<FinalisationWatch*>(data)->WatchBuffer(GST_PAD_PROBE_INFO_BUFFER(info));
          return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    gst_object_unref(pad);
  }

  std::size_t Watched() const {
    std::lock_guard lock(mutex_);
    return watched_;
  }
  std::size_t Live() const {
    std::lock_guard lock(mutex_);
    return live_.size();
  }
  // What is still alive, one kind per line with its count.
  std::string LiveReport() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, int> kinds;
    for (const auto& [p, entry] : live_) ++kinds[entry.what];
    std::string out;
    for (const auto& [what, n] : kinds) out += "  " + std::to_string(n) + " x " + what + "\n";
    return out;
  }

 private:
  struct Entry {
    std::string what;
    bool buffer;
  };
  static void OnObjectGone(gpointer data, GObject* where) {
    auto* self = static_cast<FinalisationWatch*>(data);
    std::lock_guard lock(self->mutex_);
    self->live_.erase(where);
  }
  static void OnBufferGone(gpointer data, GstMiniObject* where) {
    auto* self = static_cast<FinalisationWatch*>(data);
    std::lock_guard lock(self->mutex_);
    self->live_.erase(where);
  }

  mutable std::mutex mutex_;
  std::map<const void*, Entry> live_;
  std::size_t watched_ = 0;
};

// The process's resident memory, as the kernel counts it.
inline long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace vantora::testing
