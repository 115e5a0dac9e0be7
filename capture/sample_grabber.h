#pragma once
// The sample grabber member: keeps the latest frame as the graph delivers it
// and turns it into a 24-bit bitmap on request.

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "capture/filter_graph.h"
#include "capture/platform/frame_grabber.h"

namespace vantora {

class TBitmap;

// Raised by construction when the elements the grabber needs are missing;
// the message is fixed, the missing element is named separately.
class ESampleGrabberUnavailable : public std::runtime_error {
 public:
  explicit ESampleGrabberUnavailable(std::string missing_element);
  const std::string& MissingElement() const { return missing_element_; }

 private:
  std::string missing_element_;
};

class TSampleGrabber : public TGraphComponent {
 public:
  explicit TSampleGrabber(std::string name = "SampleGrabber");
  ~TSampleGrabber() override;

  // True when the bitmap now holds the latest frame. False, with the bitmap
  // untouched, while the graph is inactive or the grabber not connected.
  // Once connected the bitmap takes the frame's size and 24-bit format even
  // before a frame has arrived; its pixels are then black.
  bool GrabFrame(TBitmap& bitmap) const;
  // The latest frame as it came, for a reader on another thread (the face
  // guide); none while the grabber has no frame.
  std::optional<capture::FrameSnapshot> LatestFrame() const;
  // When the latest frame passed the grabber; none while it has no frame.
  std::optional<std::chrono::steady_clock::time_point> LatestFrameTime() const;

  capture::ElementRef MemberFilter() const override;
  std::string MemberName() const override { return name_; }
  void NotifyMember(TMemberStage stage, int param) override;

 private:
  std::string name_;
  std::unique_ptr<capture::FrameGrabber> grabber_;
};

}  // namespace vantora
