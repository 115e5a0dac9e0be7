#pragma once
// One frame as the streaming side hands it over: a buffer reference and the
// format it was negotiated in. Holding it keeps the pixels unchanged.

#include <cstdint>

#include "gst_handles.h"

namespace vantora::capture {

struct FrameSnapshot {
  BufferRef buffer;
  GstVideoInfo info{};
};

// Read access to a frame's pixels for as long as the object lives. Rows are
// top-down; the stride comes from the negotiated format (videoconvert pads
// BGR rows to 4 bytes), never from the width.
class MappedFrame {
 public:
  explicit MappedFrame(const FrameSnapshot& snapshot);
  ~MappedFrame();
  MappedFrame(const MappedFrame&) = delete;
  MappedFrame& operator=(const MappedFrame&) = delete;

  bool Valid() const { return mapped_; }
  int Width() const;
  int Height() const;
  int Stride() const;
  const std::uint8_t* Row(int y) const;

 private:
  GstVideoFrame frame_{};
  bool mapped_ = false;
};

}  // namespace vantora::capture
