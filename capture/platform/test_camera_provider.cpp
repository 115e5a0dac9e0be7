#include "capture/platform/test_camera_provider.h"

#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <string>

#include "capture/platform/gst_handles.h"
#include "capture/platform/test_camera_setup.h"

// GObject type boilerplate lives at file scope with C names, as GLib expects.
extern "C" {

struct VantoraTestCameraDevice {
  GstDevice parent;
  int width;
  int height;
  gboolean mjpeg;
  gchar* key;
  int occurrence;  // how many cameras of the same key come before it
  gboolean grid;
  GstCaps* modes;  // the modes of a camera that offers several, else null
};
struct VantoraTestCameraDeviceClass {
  GstDeviceClass parent_class;
};

struct VantoraTestCameraProvider {
  GstDeviceProvider parent;
};
struct VantoraTestCameraProviderClass {
  GstDeviceProviderClass parent_class;
};

}  // extern "C"

G_DEFINE_TYPE(VantoraTestCameraDevice, vantora_test_camera_device, GST_TYPE_DEVICE)
G_DEFINE_TYPE(VantoraTestCameraProvider, vantora_test_camera_provider, GST_TYPE_DEVICE_PROVIDER)

namespace vantora::capture {
namespace {

std::string EnvText(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Counts frames on the camera's output and misbehaves on request. The state
// lives on the heap and goes with the probe.
struct FaultState {
  TestCameraFault fault;
  std::atomic<int> frames{0};
  GstElement* camera = nullptr;  // not owned: the probe dies with the camera
};

GstPadProbeReturn FaultProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* state = static_cast<FaultState*>(data);
  switch (state->fault.kind) {
    case TestCameraFaultKind::kNoFrames:
      return GST_PAD_PROBE_DROP;
    case TestCameraFaultKind::kErrorAfter: {
      int n = state->frames.fetch_add(1);
      if (n < state->fault.frames) return GST_PAD_PROBE_OK;
      if (n == state->fault.frames) {
        GST_ELEMENT_ERROR(state->camera, RESOURCE, READ, ("Could not read from resource."),
                          ("test camera told to fail after %d frames", state->fault.frames));
      }
      // Stop the stream the way a vanished device does.
      gst_buffer_unref(GST_PAD_PROBE_INFO_BUFFER(info));
      GST_PAD_PROBE_INFO_DATA(info) = nullptr;
      GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
      return GST_PAD_PROBE_HANDLED;
    }
    default:
      return GST_PAD_PROBE_OK;
  }
}

void DeleteFaultState(gpointer data) { delete static_cast<FaultState*>(data); }

// Adds the elements to the bin and links them in order. When one of them
// could not be made, none is added and the others are released.
bool AddAndLink(GstBin* bin, std::initializer_list<GstElement*> chain) {
  const bool all_made = std::none_of(chain.begin(), chain.end(), [](GstElement* e) { return !e; });
  if (!all_made) {
    for (GstElement* e : chain) {
      if (e) gst_object_unref(gst_object_ref_sink(e));
    }
    return false;
  }
  GstElement* prev = nullptr;
  for (GstElement* e : chain) {
    gst_bin_add(bin, e);
    if (prev && !gst_element_link(prev, e)) return false;
    prev = e;
  }
  return true;
}

std::atomic<int> probes{0};

// A test camera is plugged in while the list names it: taking it out of the
// list unplugs it, even for a device object found before.
bool StillPluggedIn(const VantoraTestCameraDevice* dev) {
  int seen = 0;
  for (const auto& setup : ParseTestCameraList(EnvText(kTestCamerasVariable))) {
    if (setup.key == dev->key && seen++ == dev->occurrence) return true;
  }
  return false;
}

GstCaps* ModeCaps(bool mjpeg, const char* raw_format, int width, int height, int fps) {
  if (mjpeg) {
    return gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                               "framerate", GST_TYPE_FRACTION, fps, 1, nullptr);
  }
  return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, raw_format, "width", G_TYPE_INT,
                             width, "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, fps, 1,
                             nullptr);
}

// What the camera offers: its mode list, or the one mode of its size.
GstCaps* OfferedCaps(const TestCameraSetup& setup) {
  if (setup.modes.empty()) {
    return ModeCaps(setup.mjpeg, setup.grid ? "RGB" : "YUY2", setup.width, setup.height, 30);
  }
  GstCaps* caps = gst_caps_new_empty();
  for (const auto& m : setup.modes) caps = gst_caps_merge(caps, ModeCaps(m.mjpeg, "YUY2", m.width, m.height, m.fps));
  return caps;
}

// Paints the coded grid over every frame, in whatever stride the format has.
GstPadProbeReturn GridProbe(GstPad* pad, GstPadProbeInfo* info, gpointer) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  GstVideoInfo vi;
  const bool known = caps && gst_video_info_from_caps(&vi, caps);
  if (caps) gst_caps_unref(caps);
  if (!known) return GST_PAD_PROBE_OK;
  GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &vi, buffer, GST_MAP_WRITE)) return GST_PAD_PROBE_OK;
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
  auto* base = static_cast<guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  for (int y = 0; y < GST_VIDEO_FRAME_HEIGHT(&frame); ++y) {
    guint8* p = base + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < GST_VIDEO_FRAME_WIDTH(&frame); ++x, p += 3) {
      p[0] = static_cast<guint8>(x & 0xFF);
      p[1] = static_cast<guint8>(y & 0xFF);
      p[2] = static_cast<guint8>((x >> 8) | ((y >> 8) << 4));
    }
  }
  gst_video_frame_unmap(&frame);
  return GST_PAD_PROBE_OK;
}

// The source end of one mode: a live test pattern in the mode's own format,
// motion JPEG encoded from I420 where the mode asks for it. Returns the last
// element, or null when an element is missing.
GstElement* AddModeChain(GstBin* bin, bool mjpeg, const char* raw_format, int width, int height, int fps,
                         bool moving) {
  GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
  if (src) {
    // A moving picture scrolls sideways, so any two frames differ.
    g_object_set(src, "is-live", TRUE, nullptr);
    if (moving) g_object_set(src, "horizontal-speed", 4, nullptr);
  }
  GstElement* raw_caps = gst_element_factory_make("capsfilter", nullptr);
  if (raw_caps) {
    GstCaps* raw = ModeCaps(false, mjpeg ? "I420" : raw_format, width, height, fps);
    g_object_set(raw_caps, "caps", raw, nullptr);
    gst_caps_unref(raw);
  }
  if (!mjpeg) return AddAndLink(bin, {src, raw_caps}) ? raw_caps : nullptr;
  GstElement* enc = gst_element_factory_make("jpegenc", nullptr);
  GstElement* jpeg_caps = gst_element_factory_make("capsfilter", nullptr);
  if (jpeg_caps) {
    GstCaps* jpeg = ModeCaps(true, nullptr, width, height, fps);
    g_object_set(jpeg_caps, "caps", jpeg, nullptr);
    gst_caps_unref(jpeg);
  }
  return AddAndLink(bin, {src, raw_caps, enc, jpeg_caps}) ? jpeg_caps : nullptr;
}

void AddFaultProbe(GstElement* camera, GstPad* target, const TestCameraFault& fault) {
  if (fault.kind == TestCameraFaultKind::kNone) return;
  auto* state = new FaultState{fault, {}, camera};
  gst_pad_add_probe(target, GST_PAD_PROBE_TYPE_BUFFER, FaultProbe, state, DeleteFaultState);
}

constexpr const char* kModesKey = "vantora-test-camera-modes";

// Until the camera knows its mode, its pad answers for the modes it offers.
gboolean ModeCameraQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
  GstPad* target = gst_ghost_pad_get_target(GST_GHOST_PAD(pad));
  if (target) {
    gst_object_unref(target);
    return gst_pad_query_default(pad, parent, query);
  }
  auto* modes = static_cast<GstCaps*>(g_object_get_data(G_OBJECT(pad), kModesKey));
  switch (GST_QUERY_TYPE(query)) {
    case GST_QUERY_CAPS: {
      GstCaps* filter = nullptr;
      gst_query_parse_caps(query, &filter);
      GstCaps* result = filter ? gst_caps_intersect_full(filter, modes, GST_CAPS_INTERSECT_FIRST)
                               : gst_caps_ref(modes);
      gst_query_set_caps_result(query, result);
      gst_caps_unref(result);
      return TRUE;
    }
    case GST_QUERY_ACCEPT_CAPS: {
      GstCaps* caps = nullptr;
      gst_query_parse_accept_caps(query, &caps);
      gst_query_set_accept_caps_result(query, caps && gst_caps_can_intersect(caps, modes));
      return TRUE;
    }
    default:
      return gst_pad_query_default(pad, parent, query);
  }
}

// Once linked, the camera makes the picture of the one mode its peer asks
// for, as a real camera is set to one mode before it streams.
void OnModeCameraLinked(GstPad* pad, GstPad* peer, gpointer) {
  GstPad* target = gst_ghost_pad_get_target(GST_GHOST_PAD(pad));
  if (target) {
    gst_object_unref(target);
    return;
  }
  auto* modes = static_cast<GstCaps*>(g_object_get_data(G_OBJECT(pad), kModesKey));
  GstCaps* wanted = gst_pad_query_caps(peer, modes);
  if (gst_caps_is_empty(wanted)) {
    gst_caps_unref(wanted);
    return;
  }
  wanted = gst_caps_fixate(wanted);
  const GstStructure* s = gst_caps_get_structure(wanted, 0);
  const bool mjpeg = gst_structure_has_name(s, "image/jpeg");
  int width = 0, height = 0, fps_n = 30, fps_d = 1;
  gst_structure_get_int(s, "width", &width);
  gst_structure_get_int(s, "height", &height);
  gst_structure_get_fraction(s, "framerate", &fps_n, &fps_d);
  gst_caps_unref(wanted);

  GstObject* parent = gst_object_get_parent(GST_OBJECT(pad));
  if (!parent) return;
  GstElement* last = AddModeChain(GST_BIN(parent), mjpeg, "YUY2", width, height,
                                  fps_d > 0 ? fps_n / fps_d : 30, true);
  if (last) {
    GstPad* src = gst_element_get_static_pad(last, "src");
    gst_ghost_pad_set_target(GST_GHOST_PAD(pad), src);
    gst_object_unref(src);
    // The new elements follow the camera to the state it is in.
    GstIterator* it = gst_bin_iterate_elements(GST_BIN(parent));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
      gst_element_sync_state_with_parent(GST_ELEMENT(g_value_get_object(&item)));
      g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
  }
  gst_object_unref(parent);
}

// A camera with a list of modes: its picture is made once it is linked and
// knows which mode is wanted. It shows no faults.
GstElement* BuildModeCamera(const VantoraTestCameraDevice* dev, const char* name) {
  GstElement* bin = gst_bin_new(name);
  GstPad* ghost = gst_ghost_pad_new_no_target("src", GST_PAD_SRC);
  g_object_set_data_full(G_OBJECT(ghost), kModesKey, gst_caps_ref(dev->modes),
                         reinterpret_cast<GDestroyNotify>(gst_caps_unref));
  gst_pad_set_query_function(ghost, ModeCameraQuery);
  g_signal_connect(ghost, "linked", G_CALLBACK(OnModeCameraLinked), nullptr);
  gst_element_add_pad(bin, ghost);
  return bin;
}

// The camera itself: a live, moving test pattern in the camera's own format
// (YUY2 like most webcams, or motion JPEG), behind one "src" pad.
GstElement* BuildCamera(const VantoraTestCameraDevice* dev, const char* name) {
  if (!StillPluggedIn(dev)) return nullptr;
  TestCameraFault fault = FindTestCameraFault(EnvText(kTestCameraFaultVariable), dev->key);
  if (fault.kind == TestCameraFaultKind::kNoElement) return nullptr;
  if (dev->modes) return BuildModeCamera(dev, name);

  GstElement* bin = gst_bin_new(name);
  GstElement* last = AddModeChain(GST_BIN(bin), dev->mjpeg, dev->grid ? "RGB" : "YUY2", dev->width,
                                  dev->height, 30, !dev->grid);
  if (!last) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstPad* target = gst_element_get_static_pad(last, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", target));
  if (dev->grid) gst_pad_add_probe(target, GST_PAD_PROBE_TYPE_BUFFER, GridProbe, nullptr, nullptr);
  AddFaultProbe(bin, target, fault);
  gst_object_unref(target);
  return bin;
}

GstDevice* NewDevice(const TestCameraSetup& setup, int occurrence) {
  GstCaps* caps = OfferedCaps(setup);
  std::string path = "vantora-test-camera:" + setup.key + "#" + std::to_string(occurrence);
  GstStructure* props = gst_structure_new("vantora-test-camera", "device.api", G_TYPE_STRING,
                                          kTestCameraApi, "device.path", G_TYPE_STRING,
                                          path.c_str(), nullptr);
  std::string name = setup.DisplayName();
  auto* dev = static_cast<VantoraTestCameraDevice*>(
      g_object_new(vantora_test_camera_device_get_type(), "display-name", name.c_str(),
                   "device-class", "Video/Source", "caps", caps, "properties", props, nullptr));
  gst_caps_unref(caps);
  gst_structure_free(props);
  dev->width = setup.width;
  dev->height = setup.height;
  dev->mjpeg = setup.mjpeg;
  dev->key = g_strdup(setup.key.c_str());
  dev->occurrence = occurrence;
  dev->grid = setup.grid;
  dev->modes = setup.modes.empty() ? nullptr : OfferedCaps(setup);
  return GST_DEVICE(dev);
}

// Read afresh at every probe, so a test can take cameras away between the
// listing and the selection, as an unplugged camera would.
GList* Probe(GstDeviceProvider*) {
  ++probes;
  GList* devices = nullptr;
  std::map<std::string, int> seen;
  for (const auto& setup : ParseTestCameraList(EnvText(kTestCamerasVariable))) {
    devices = g_list_append(devices, NewDevice(setup, seen[setup.key]++));
  }
  return devices;
}

gboolean PluginInit(GstPlugin* plugin) {
  return gst_device_provider_register(plugin, "vantoratestcameraprovider", GST_RANK_MARGINAL,
                                      vantora_test_camera_provider_get_type());
}

}  // namespace

int TestCameraProbes() { return probes.load(); }

void RegisterTestCameraProvider() {
  gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "vantoratestcamera",
                             "Vantora test cameras", PluginInit, "1.0", "Proprietary", "vantora",
                             "vantora", "https://vantora.invalid/");
}

}  // namespace vantora::capture

// Type set-up called by GLib.


static GstElement* vantora_test_camera_device_create_element(GstDevice* device,
                                                             const gchar* name) {
  return vantora::capture::BuildCamera(reinterpret_cast<VantoraTestCameraDevice*>(device), name);
}

static void vantora_test_camera_device_finalize(GObject* object) {
  auto* self = reinterpret_cast<VantoraTestCameraDevice*>(object);
  g_free(self->key);
  if (self->modes) gst_caps_unref(self->modes);
  G_OBJECT_CLASS(vantora_test_camera_device_parent_class)->finalize(object);
}

static void vantora_test_camera_device_class_init(VantoraTestCameraDeviceClass* klass) {
  GST_DEVICE_CLASS(klass)->create_element = vantora_test_camera_device_create_element;
  G_OBJECT_CLASS(klass)->finalize = vantora_test_camera_device_finalize;
}

static void vantora_test_camera_device_init(VantoraTestCameraDevice* self) {
  self->width = 0;
  self->height = 0;
  self->mjpeg = FALSE;
  self->key = nullptr;
  self->occurrence = 0;
  self->grid = FALSE;
  self->modes = nullptr;
}

static void vantora_test_camera_provider_class_init(VantoraTestCameraProviderClass* klass) {
  GstDeviceProviderClass* pc = GST_DEVICE_PROVIDER_CLASS(klass);
  pc->probe = vantora::capture::Probe;
  gst_device_provider_class_set_static_metadata(pc, "Vantora test cameras", "Source/Video",
                                                "Live test-pattern cameras", "Vantora");
}

static void vantora_test_camera_provider_init(VantoraTestCameraProvider*) {}
