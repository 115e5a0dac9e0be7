#include "capture/platform/gst_runtime.h"

#include <mutex>

#include "capture/platform/test_camera_provider.h"

namespace vantora::capture {

void EnsureGstreamer() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_init(nullptr, nullptr);
    RegisterTestCameraProvider();
  });
}

ElementRef MakeElement(const char* factory, const char* name) {
  EnsureGstreamer();
  return AdoptFloating(gst_element_factory_make(factory, name));
}

std::vector<std::string> MissingFactories(const std::vector<std::string>& factories) {
  EnsureGstreamer();
  std::vector<std::string> missing;
  for (const auto& name : factories) {
    GstElementFactory* f = gst_element_factory_find(name.c_str());
    if (f) {
      gst_object_unref(f);
    } else {
      missing.push_back(name);
    }
  }
  return missing;
}

std::string MissingElementText(const std::string& factory) {
  return "The GStreamer element '" + factory + "' is not available.";
}

}  // namespace vantora::capture
