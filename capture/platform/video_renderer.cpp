#include "video_renderer.h"

#include <gst/app/gstappsink.h>

#include <mutex>
#include <stdexcept>

#include "gst_runtime.h"

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
  auto& shared = **static_cast<std::shared_ptr<VideoRenderer::Shared>*>(data);
  shared.Offer(SampleRef::Adopt(gst_app_sink_pull_sample(sink)));
  return GST_FLOW_OK;
}

GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data) {
  auto& shared = **static_cast<std::shared_ptr<VideoRenderer::Shared>*>(data);
  shared.Offer(SampleRef::Adopt(gst_app_sink_pull_preroll(sink)));
  return GST_FLOW_OK;
}

void DeleteShared(gpointer data) {
  delete static_cast<std::shared_ptr<VideoRenderer::Shared>*>(data);
}

}  // namespace

VideoRenderer::VideoRenderer() : shared_(std::make_shared<Shared>()) {
  sink_ = MakeElement("appsink");
  if (!sink_) throw std::runtime_error("The GStreamer element 'appsink' is not available.");
  GstCaps* bgr = gst_caps_from_string("video/x-raw,format=BGR");
  // Live preview: draw frames as they come, keep no backlog, and do not hold
  // the graph's start until a first frame arrives.
  g_object_set(sink_.get(), "caps", bgr, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop",
               TRUE, "enable-last-sample", FALSE, "qos", FALSE, nullptr);
  gst_caps_unref(bgr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = OnSample;
  callbacks.new_preroll = OnPreroll;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink_.get()), &callbacks,
                             new std::shared_ptr<Shared>(shared_), DeleteShared);
}

VideoRenderer::~VideoRenderer() {
  gst_element_set_state(sink_.get(), GST_STATE_NULL);
  std::lock_guard lock(shared_->mutex);
  shared_->notify = nullptr;
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
  auto pad = PadRef::Adopt(gst_element_get_static_pad(sink_.get(), "sink"));
  return pad && gst_pad_is_linked(pad.get()) ? Result(S_OK) : Result(VFW_E_NOT_CONNECTED);
}

}  // namespace vantora::capture
