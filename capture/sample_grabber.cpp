#include "capture/sample_grabber.h"


#include "capture/platform/capture_graph.h"
#include "capture/frame_copy.h"
#include "capture/platform/gst_runtime.h"
#include "capture/platform/video_renderer.h"
#include "imaging/graphics.h"

namespace vantora {

ESampleGrabberUnavailable::ESampleGrabberUnavailable(std::string missing_element)
    : std::runtime_error("The SampleGrabber Filter is not available on this system."),
      missing_element_(std::move(missing_element)) {}

TSampleGrabber::TSampleGrabber(std::string name) : name_(std::move(name)) {
  // The grabber is of use only with a renderer to pass its frames to.
  auto missing = capture::MissingFactories(capture::FrameGrabber::RequiredFactories());
  if (missing.empty()) missing = capture::MissingFactories(capture::VideoRenderer::RequiredFactories());
  if (!missing.empty()) throw ESampleGrabberUnavailable(missing.front());
}

TSampleGrabber::~TSampleGrabber() { DetachQuietly(); }

capture::ElementRef TSampleGrabber::MemberFilter() const {
  return grabber_ ? grabber_->Element() : capture::ElementRef();
}

void TSampleGrabber::NotifyMember(TMemberStage stage, int) {
  switch (stage) {
    case TMemberStage::Adding:
      grabber_ = std::make_unique<capture::FrameGrabber>();
      break;
    case TMemberStage::Removing:
      if (grabber_) {
        gst_element_set_state(grabber_->Element().get(), GST_STATE_NULL);
        capture::CaptureGraph::DisconnectPins(grabber_->Element());
      }
      break;
    case TMemberStage::Removed:
      grabber_.reset();
      break;
    case TMemberStage::Added:
    case TMemberStage::Refresh:
      break;
  }
}

std::optional<std::chrono::steady_clock::time_point> TSampleGrabber::LatestFrameTime() const {
  if (!grabber_) return std::nullopt;
  return grabber_->LatestFrameTime();
}

std::optional<capture::FrameSnapshot> TSampleGrabber::LatestFrame() const {
  if (!grabber_) return std::nullopt;
  return grabber_->LatestFrame();
}

bool TSampleGrabber::GrabFrame(TBitmap& bitmap) const {
  if (!grabber_) return false;
  auto format = grabber_->ConnectedFormat();
  if (!format) return false;
  auto frame = grabber_->LatestFrame();
  return CopyFrameToBitmap(*format, frame ? &*frame : nullptr, bitmap);
}

}  // namespace vantora
