#pragma once
// Owning handles for GStreamer and GLib references, so that every early
// return and every exception releases what was taken.

#include <gst/gst.h>
#include <gst/video/video.h>

#include <memory>
#include <utility>

namespace vantora::capture {

template <typename T>
struct GstObjectTraits {
  static void Ref(T* p) { gst_object_ref(p); }
  static void Unref(T* p) { gst_object_unref(p); }
};
struct CapsTraits {
  static void Ref(GstCaps* p) { gst_caps_ref(p); }
  static void Unref(GstCaps* p) { gst_caps_unref(p); }
};
struct BufferTraits {
  static void Ref(GstBuffer* p) { gst_buffer_ref(p); }
  static void Unref(GstBuffer* p) { gst_buffer_unref(p); }
};
struct SampleTraits {
  static void Ref(GstSample* p) { gst_sample_ref(p); }
  static void Unref(GstSample* p) { gst_sample_unref(p); }
};

// A counted reference: copying takes another reference, destruction drops one.
template <typename T, typename Traits>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller already owns (transfer full).
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Takes a new reference of its own (transfer none).
  static Ref Share(T* p) {
    if (p) Traits::Ref(p);
    return Adopt(p);
  }
  Ref(const Ref& o) : p_(o.p_) {
    if (p_) Traits::Ref(p_);
  }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_) Traits::Unref(p_);
  }
  T* get() const { return p_; }
  T* release() { return std::exchange(p_, nullptr); }
  void reset() { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

using ElementRef = Ref<GstElement, GstObjectTraits<GstElement>>;
using PadRef = Ref<GstPad, GstObjectTraits<GstPad>>;
using BusRef = Ref<GstBus, GstObjectTraits<GstBus>>;
using DeviceRef = Ref<GstDevice, GstObjectTraits<GstDevice>>;
using DeviceMonitorRef = Ref<GstDeviceMonitor, GstObjectTraits<GstDeviceMonitor>>;
using DeviceProviderRef = Ref<GstDeviceProvider, GstObjectTraits<GstDeviceProvider>>;
using CapsRef = Ref<GstCaps, CapsTraits>;
using BufferRef = Ref<GstBuffer, BufferTraits>;
using SampleRef = Ref<GstSample, SampleTraits>;

// Elements come floating from their factories; the graph code always holds
// its own reference, so a floating one is sunk on the way in.
inline ElementRef AdoptFloating(GstElement* e) {
  if (e) gst_object_ref_sink(e);
  return ElementRef::Adopt(e);
}

// State that a streaming or provider thread shares with its owner, handed to
// a GStreamer callback as user data: the callback keeps a reference of its
// own, which the destroy notify drops once GStreamer lets go of the callback.
template <typename T>
struct SharedWithCallback {
  static gpointer New(const std::shared_ptr<T>& shared) { return new std::shared_ptr<T>(shared); }
  static T& From(gpointer data) { return **static_cast<std::shared_ptr<T>*>(data); }
  static void Delete(gpointer data) { delete static_cast<std::shared_ptr<T>*>(data); }
  static void DeleteClosure(gpointer data, GClosure*) { Delete(data); }
};

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GstIteratorDeleter {
  void operator()(GstIterator* it) const { gst_iterator_free(it); }
};
using IteratorPtr = std::unique_ptr<GstIterator, GstIteratorDeleter>;

struct GstStructureDeleter {
  void operator()(GstStructure* s) const { gst_structure_free(s); }
};
using StructurePtr = std::unique_ptr<GstStructure, GstStructureDeleter>;

}  // namespace vantora::capture
