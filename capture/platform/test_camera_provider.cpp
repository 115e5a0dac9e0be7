#include "test_camera_provider.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <string>

#include "gst_handles.h"
#include "test_camera_setup.h"

// GObject type boilerplate lives at file scope with C names, as GLib expects.
extern "C" {

struct VantoraTestCameraDevice {
  GstDevice parent;
  int width;
  int height;
  gboolean mjpeg;
  gchar* key;
  int occurrence;  // how many cameras of the same key come before it
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

bool AddAndLink(GstBin* bin, std::initializer_list<GstElement*> chain) {
  GstElement* prev = nullptr;
  for (GstElement* e : chain) {
    if (!e) return false;
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

// The camera itself: a live, moving test pattern in the camera's own format
// (YUY2 like most webcams, or motion JPEG), behind one "src" pad.
GstElement* BuildCamera(const VantoraTestCameraDevice* dev, const char* name) {
  if (!StillPluggedIn(dev)) return nullptr;
  TestCameraFault fault = FindTestCameraFault(EnvText(kTestCameraFaultVariable), dev->key);
  if (fault.kind == TestCameraFaultKind::kNoElement) return nullptr;

  GstElement* bin = gst_bin_new(name);
  GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
  if (src) {
    // The picture scrolls sideways, so any two frames differ.
    g_object_set(src, "is-live", TRUE, "horizontal-speed", 4, nullptr);
  }
  GstElement* raw_caps = gst_element_factory_make("capsfilter", nullptr);
  GstCaps* raw = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                     dev->mjpeg ? "I420" : "YUY2", "width", G_TYPE_INT, dev->width,
                                     "height", G_TYPE_INT, dev->height, "framerate",
                                     GST_TYPE_FRACTION, 30, 1, nullptr);
  if (raw_caps) g_object_set(raw_caps, "caps", raw, nullptr);
  gst_caps_unref(raw);

  GstElement* last = raw_caps;
  bool ok;
  if (dev->mjpeg) {
    GstElement* enc = gst_element_factory_make("jpegenc", nullptr);
    GstElement* jpeg_caps = gst_element_factory_make("capsfilter", nullptr);
    if (jpeg_caps) {
      GstCaps* jpeg = gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, dev->width, "height",
                                          G_TYPE_INT, dev->height, "framerate", GST_TYPE_FRACTION,
                                          30, 1, nullptr);
      g_object_set(jpeg_caps, "caps", jpeg, nullptr);
      gst_caps_unref(jpeg);
    }
    ok = AddAndLink(GST_BIN(bin), {src, raw_caps, enc, jpeg_caps});
    last = jpeg_caps;
  } else {
    ok = AddAndLink(GST_BIN(bin), {src, raw_caps});
  }
  if (!ok) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }

  GstPad* target = gst_element_get_static_pad(last, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", target));
  if (fault.kind != TestCameraFaultKind::kNone) {
    auto* state = new FaultState{fault, {}, bin};
    gst_pad_add_probe(target, GST_PAD_PROBE_TYPE_BUFFER, FaultProbe, state, DeleteFaultState);
  }
  gst_object_unref(target);
  return bin;
}

GstDevice* NewDevice(const TestCameraSetup& setup, int occurrence) {
  GstCaps* caps = setup.mjpeg
                      ? gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, setup.width,
                                            "height", G_TYPE_INT, setup.height, "framerate",
                                            GST_TYPE_FRACTION, 30, 1, nullptr)
                      : gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2",
                                            "width", G_TYPE_INT, setup.width, "height", G_TYPE_INT,
                                            setup.height, "framerate", GST_TYPE_FRACTION, 30, 1,
                                            nullptr);
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
  g_free(reinterpret_cast<VantoraTestCameraDevice*>(object)->key);
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
}

static void vantora_test_camera_provider_class_init(VantoraTestCameraProviderClass* klass) {
  GstDeviceProviderClass* pc = GST_DEVICE_PROVIDER_CLASS(klass);
  pc->probe = vantora::capture::Probe;
  gst_device_provider_class_set_static_metadata(pc, "Vantora test cameras", "Source/Video",
                                                "Live test-pattern cameras", "Vantora");
}

static void vantora_test_camera_provider_init(VantoraTestCameraProvider*) {}
