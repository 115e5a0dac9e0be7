#include "capture/platform/video_renderer.h"

#include <gst/app/gstappsink.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "capture/platform/gst_runtime.h"

namespace vantora::capture {

struct VideoRenderer::Shared {
  std::mutex mutex;
  std::optional<FrameSnapshot> latest;
  std::function<void()> notify;
  bool notify_pending = false;

  void Offer(SampleRef sample) {
    GstCaps* caps = gst_sample_get_caps(sample.get());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    GstVideoInfo vi;
    if (!caps || !buffer || !gst_video_info_from_caps(&vi, caps)) return;
    std::lock_guard lock(mutex);
    latest = FrameSnapshot{BufferRef::Share(buffer), vi};
    if (notify && !notify_pending) {
      notify_pending = true;
      notify();
    }
  }
};

namespace {

GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
  SharedWithCallback<VideoRenderer::Shared>::From(data).Offer(SampleRef::Adopt(gst_app_sink_pull_sample(sink)));
  return GST_FLOW_OK;
}

GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data) {
  SharedWithCallback<VideoRenderer::Shared>::From(data).Offer(SampleRef::Adopt(gst_app_sink_pull_preroll(sink)));
  return GST_FLOW_OK;
}

// 32-bit pixels as a 32-bit RGB image holds them in memory: blue, green,
// red, unused on a little-endian machine.
constexpr const char* kDisplayFormat = G_BYTE_ORDER == G_LITTLE_ENDIAN ? "BGRx" : "xRGB";

CapsRef DisplayCaps(int width, int height) {
  // No pixel aspect is fixed: the scaler then fills the whole size instead
  // of keeping the picture's shape with borders, as a renderer stretching
  // to its window does.
  return CapsRef::Adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, kDisplayFormat, "width",
                                            G_TYPE_INT, std::max(width, 1), "height", G_TYPE_INT,
                                            std::max(height, 1), nullptr));
}

}  // namespace

const std::vector<std::string>& VideoRenderer::RequiredFactories() {
  static const std::vector<std::string> kFactories{"videoscale", "videoconvert", "capsfilter", "appsink"};
  return kFactories;
}

VideoRenderer::VideoRenderer(int width, int height) : shared_(std::make_shared<Shared>()) {
  ElementRef parts[4];
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    parts[i] = MakeElement(RequiredFactories()[i].c_str());
    if (!parts[i]) throw std::runtime_error(MissingElementText(RequiredFactories()[i]));
  }
  const ElementRef &scale = parts[0], &convert = parts[1];
  size_ = parts[2];
  sink_ = parts[3];
  // The nearest pixel, as the picture was stretched before: only the rows
  // and columns shown are read, so the cost follows the shown size.
  g_object_set(scale.get(), "method", 0, "add-borders", FALSE, nullptr);
  auto caps = DisplayCaps(width, height);
  g_object_set(size_.get(), "caps", caps.get(), nullptr);
  GstCaps* shown = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, kDisplayFormat, nullptr);
  // Live preview: draw frames as they come, keep no backlog, and do not hold
  // the graph's start until a first frame arrives.
  g_object_set(sink_.get(), "caps", shown, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop",
               TRUE, "enable-last-sample", FALSE, "qos", FALSE, nullptr);
  gst_caps_unref(shown);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = OnSample;
  callbacks.new_preroll = OnPreroll;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink_.get()), &callbacks,
                             SharedWithCallback<Shared>::New(shared_), SharedWithCallback<Shared>::Delete);

  bin_ = AdoptFloating(gst_bin_new(nullptr));
  for (const ElementRef& element : parts) gst_bin_add(GST_BIN(bin_.get()), element.get());
  gst_element_link_many(scale.get(), convert.get(), size_.get(), sink_.get(), nullptr);
  auto input = PadRef::Adopt(gst_element_get_static_pad(scale.get(), "sink"));
  gst_element_add_pad(bin_.get(), gst_ghost_pad_new("sink", input.get()));
}

VideoRenderer::~VideoRenderer() {
  gst_element_set_state(bin_.get(), GST_STATE_NULL);
  std::lock_guard lock(shared_->mutex);
  shared_->notify = nullptr;
}

void VideoRenderer::SetDisplaySize(int width, int height) {
  auto caps = DisplayCaps(width, height);
  g_object_set(size_.get(), "caps", caps.get(), nullptr);
}

void VideoRenderer::SetFrameNotify(std::function<void()> notify) {
  std::lock_guard lock(shared_->mutex);
  shared_->notify = std::move(notify);
  shared_->notify_pending = false;
}

std::optional<FrameSnapshot> VideoRenderer::TakeLatestFrame() {
  std::lock_guard lock(shared_->mutex);
  shared_->notify_pending = false;
  return std::exchange(shared_->latest, std::nullopt);
}

Result VideoRenderer::ConnectionState() const {
  auto pad = PadRef::Adopt(gst_element_get_static_pad(bin_.get(), "sink"));
  return pad && gst_pad_is_linked(pad.get()) ? Result(S_OK) : Result(VFW_E_NOT_CONNECTED);
}

}  // namespace vantora::capture
