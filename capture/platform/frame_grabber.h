#pragma once
// The grabber element: sits between the device (decoded where it sends
// motion JPEG) and the renderer, passes every frame on untouched and keeps
// the latest one as it came. The streaming thread only swaps a buffer
// reference under a mutex; turning the frame into 24-bit BGR happens on
// request, on the caller's thread (ConvertToBgr24), so no frame is converted
// that nobody grabs.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/gst_handles.h"
#include "capture/platform/result_code.h"
#include "capture/platform/video_frame.h"

namespace vantora::capture {

class FrameGrabber {
 public:
  // The element factories the grabber is made of.
  static const std::vector<std::string>& RequiredFactories();

  FrameGrabber();  // throws std::runtime_error naming a missing factory
  ~FrameGrabber();
  FrameGrabber(const FrameGrabber&) = delete;
  FrameGrabber& operator=(const FrameGrabber&) = delete;

  const ElementRef& Element() const { return bin_; }

  // The negotiated frame format, as the device (or its decoder) delivers
  // it, or none while not connected.
  std::optional<GstVideoInfo> ConnectedFormat() const;
  // The latest frame in that format, or none before the first one arrives.
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
