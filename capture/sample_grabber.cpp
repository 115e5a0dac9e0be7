#include "sample_grabber.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "capture_graph.h"
#include "gst_runtime.h"
#include "imaging/graphics.h"

namespace vantora {

ESampleGrabberUnavailable::ESampleGrabberUnavailable(std::string missing_element)
    : std::runtime_error("The SampleGrabber Filter is not available on this system."),
      missing_element_(std::move(missing_element)) {}

TSampleGrabber::TSampleGrabber(std::string name) : name_(std::move(name)) {
  auto missing = capture::MissingFactories(capture::FrameGrabber::RequiredFactories());
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

bool TSampleGrabber::GrabFrame(TBitmap& bitmap) const {
  if (!grabber_) return false;
  auto format = grabber_->ConnectedFormat();
  if (!format || GST_VIDEO_INFO_FORMAT(&*format) != GST_VIDEO_FORMAT_BGR) return false;
  const int width = GST_VIDEO_INFO_WIDTH(&*format);
  const int height = GST_VIDEO_INFO_HEIGHT(&*format);

  auto frame = grabber_->LatestFrame();
  std::optional<capture::MappedFrame> pixels;
  if (frame) pixels.emplace(*frame);
  // A frame from before a format change does not fit the bitmap.
  const bool fits = pixels && pixels->Valid() && pixels->Width() == width &&
                    pixels->Height() == height;
  // Every pixel is about to be overwritten, so a bitmap that already has the
  // frame's size and format is reused instead of being made and zeroed again.
  auto current = bitmap.Pixels();
  const bool reuse = fits && current && current->layout == PixelLayout::kBgr24 &&
                     bitmap.Width() == width && bitmap.Height() == height;
  current.reset();
  if (!reuse) bitmap.NewDIB24(width, height);
  if (!fits) return false;

  PixelData* target = bitmap.MutablePixels();
  const auto row_bytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) std::memcpy(target->Row(y), pixels->Row(y), row_bytes);
  bitmap.NotifyChanged();
  return true;
}

}  // namespace vantora
