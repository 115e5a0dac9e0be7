#pragma once
// The end of the preview stream: takes 24-bit BGR frames and hands the latest
// one to whoever draws it. It keeps one frame at most; when the drawing side
// is slow, newer frames replace older ones instead of piling up.

#include <functional>
#include <memory>
#include <optional>

#include "gst_handles.h"
#include "result_code.h"
#include "video_frame.h"

namespace vantora::capture {

class VideoRenderer {
 public:
  VideoRenderer();  // throws std::runtime_error when appsink is missing
  ~VideoRenderer();
  VideoRenderer(const VideoRenderer&) = delete;
  VideoRenderer& operator=(const VideoRenderer&) = delete;

  const ElementRef& Element() const { return sink_; }

  // Called on a streaming thread when a frame waits and the previous call
  // has been answered by TakeLatestFrame; it must only schedule work.
  void SetFrameNotify(std::function<void()> notify);
  std::optional<FrameSnapshot> TakeLatestFrame();

  // S_OK when frames can reach the renderer, VFW_E_NOT_CONNECTED otherwise.
  Result ConnectionState() const;

  struct Shared;  // what the streaming-thread callbacks share with the owner

 private:
  std::shared_ptr<Shared> shared_;
  ElementRef sink_;
};

}  // namespace vantora::capture
