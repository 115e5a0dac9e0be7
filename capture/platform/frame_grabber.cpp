#include "capture/platform/frame_grabber.h"

#include <mutex>
#include <stdexcept>

#include "capture/platform/gst_runtime.h"

namespace vantora::capture {

struct FrameGrabber::Shared {
  mutable std::mutex mutex;
  std::optional<FrameSnapshot> latest;
  std::optional<std::chrono::steady_clock::time_point> latest_at;
  std::optional<GstVideoInfo> format;  // as announced by the last caps event
};

namespace {

GstPadProbeReturn KeepLatest(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto& shared = SharedWithCallback<FrameGrabber::Shared>::From(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
    auto buffer = BufferRef::Share(GST_PAD_PROBE_INFO_BUFFER(info));
    std::lock_guard lock(shared.mutex);
    if (shared.format) {
      shared.latest = FrameSnapshot{std::move(buffer), *shared.format};
      shared.latest_at = std::chrono::steady_clock::now();
    }
    return GST_PAD_PROBE_OK;
  }
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstVideoInfo vi;
    std::lock_guard lock(shared.mutex);
    if (caps && gst_video_info_from_caps(&vi, caps)) {
      shared.format = vi;
    } else {
      shared.format.reset();
    }
  }
  return GST_PAD_PROBE_OK;
}

}  // namespace

const std::vector<std::string>& FrameGrabber::RequiredFactories() {
  static const std::vector<std::string> kFactories{"capsfilter"};
  return kFactories;
}

FrameGrabber::FrameGrabber() : shared_(std::make_shared<Shared>()) {
  auto missing = MissingFactories(RequiredFactories());
  if (!missing.empty()) throw std::runtime_error(MissingElementText(missing.front()));
  bin_ = AdoptFloating(gst_bin_new(nullptr));
  // Any raw picture passes: what the device sends, or what the decoder in
  // front of the grabber makes of it.
  GstElement* filter = gst_element_factory_make("capsfilter", "raw");
  GstCaps* raw = gst_caps_new_empty_simple("video/x-raw");
  g_object_set(filter, "caps", raw, nullptr);
  gst_caps_unref(raw);
  gst_bin_add(GST_BIN(bin_.get()), filter);

  input_ = PadRef::Adopt(gst_element_get_static_pad(filter, "sink"));
  auto output = PadRef::Adopt(gst_element_get_static_pad(filter, "src"));
  gst_element_add_pad(bin_.get(), gst_ghost_pad_new("sink", input_.get()));
  gst_element_add_pad(bin_.get(), gst_ghost_pad_new("src", output.get()));
  gst_pad_add_probe(output.get(),
                    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                 GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                    KeepLatest, SharedWithCallback<Shared>::New(shared_), SharedWithCallback<Shared>::Delete);
}

FrameGrabber::~FrameGrabber() {
  // Streaming threads stop before the element goes, so none is left inside
  // the probe.
  gst_element_set_state(bin_.get(), GST_STATE_NULL);
}

// The format is taken from the caps event as it leaves the grabber, which
// happens before any sink downstream hears of it; so once Run has seen the
// sinks settle, the grabber is connected. A stopped grabber (inactive pads)
// has no format.
std::optional<GstVideoInfo> FrameGrabber::ConnectedFormat() const {
  if (!gst_pad_is_active(input_.get())) return std::nullopt;
  std::lock_guard lock(shared_->mutex);
  return shared_->format;
}

std::optional<FrameSnapshot> FrameGrabber::LatestFrame() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->latest;
}

std::optional<std::chrono::steady_clock::time_point> FrameGrabber::LatestFrameTime() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->latest_at;
}

}  // namespace vantora::capture
