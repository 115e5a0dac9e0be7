#pragma once
// One frame as the streaming side hands it over: a buffer reference and the
// format it was negotiated in. Holding it keeps the pixels unchanged.

#include <cstddef>
#include <cstdint>

#include "capture/platform/gst_handles.h"

namespace vantora::capture {

struct FrameSnapshot {
  BufferRef buffer;
  GstVideoInfo info{};
};

// Converts a frame of any raw format into 24-bit rows of blue, green, red
// bytes: row y of the picture starts at `top_row` + y * `stride` (a negative
// stride writes the rows bottom-up, as a device-independent bitmap stores
// them). It is GStreamer's video converter with the options videoconvert
// uses by default, so a frame comes out as it did when videoconvert turned
// every frame into BGR. False, with nothing written, when the frame cannot be
// read or converted.
bool ConvertToBgr24(const FrameSnapshot& frame, std::uint8_t* top_row, std::ptrdiff_t stride);

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
  friend bool ConvertToBgr24(const FrameSnapshot&, std::uint8_t*, std::ptrdiff_t);
  GstVideoFrame frame_{};
  bool mapped_ = false;
};

}  // namespace vantora::capture
