#pragma once
// The end of the preview stream: brings each frame to the size it is shown at
// and into the layout of a 32-bit RGB image (blue, green, red, unused on a
// little-endian machine), scaling before
// converting, so the full-size frame is never converted; then hands the
// latest one to whoever draws it. It keeps one frame at most; when the
// drawing side is slow, newer frames replace older ones instead of piling up.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/platform/gst_handles.h"
#include "capture/platform/result_code.h"
#include "capture/platform/video_frame.h"

namespace vantora::capture {

class VideoRenderer {
 public:
  // The element factories the renderer is made of.
  static const std::vector<std::string>& RequiredFactories();

  // Frames come out `width` x `height` (at least 1 x 1), the picture
  // stretched to fill them. Throws std::runtime_error naming a missing
  // element.
  VideoRenderer(int width, int height);
  ~VideoRenderer();
  VideoRenderer(const VideoRenderer&) = delete;
  VideoRenderer& operator=(const VideoRenderer&) = delete;

  const ElementRef& Element() const { return bin_; }

  // A new size for the frames to come; a running stream changes over at
  // its next frame. Any thread.
  void SetDisplaySize(int width, int height);

  // Called on a streaming thread when a frame waits and the previous call
  // has been answered by TakeLatestFrame; it must only schedule work.
  void SetFrameNotify(std::function<void()> notify);
  std::optional<FrameSnapshot> TakeLatestFrame();

  // S_OK when frames can reach the renderer, VFW_E_NOT_CONNECTED otherwise.
  Result ConnectionState() const;

  struct Shared;  // what the streaming-thread callbacks share with the owner

 private:
  std::shared_ptr<Shared> shared_;
  ElementRef bin_;
  ElementRef size_;  // the capsfilter that fixes the frames' size
  ElementRef sink_;
};

}  // namespace vantora::capture
