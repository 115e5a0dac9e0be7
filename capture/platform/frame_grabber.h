#pragma once
// The grabber element: sits between the device and the renderer, makes the
// graph deliver 24-bit BGR, and keeps the latest frame that passed. The
// streaming thread only swaps a buffer reference under a mutex; copying the
// pixels out happens on request, on the caller's thread.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gst_handles.h"
#include "result_code.h"
#include "video_frame.h"

namespace vantora::capture {

class FrameGrabber {
 public:
  // The element factories the grabber and the conversion in front of it need.
  static const std::vector<std::string>& RequiredFactories();

  FrameGrabber();  // throws std::runtime_error naming a missing factory
  ~FrameGrabber();
  FrameGrabber(const FrameGrabber&) = delete;
  FrameGrabber& operator=(const FrameGrabber&) = delete;

  const ElementRef& Element() const { return bin_; }

  // The negotiated frame format, or none while not connected.
  std::optional<GstVideoInfo> ConnectedFormat() const;
  // The latest frame, or none before the first one arrives.
  std::optional<FrameSnapshot> LatestFrame() const;
  // When the latest frame passed (steady clock), or none before the first.
  std::optional<std::chrono::steady_clock::time_point> LatestFrameTime() const;

  struct Shared;  // what the streaming-thread callbacks share with the owner

 private:
  std::shared_ptr<Shared> shared_;
  ElementRef bin_;
  PadRef input_;
};

}  // namespace vantora::capture
