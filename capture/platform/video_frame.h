#pragma once
// One frame as the streaming side hands it over: a buffer reference and the
// format it was negotiated in. Holding it keeps the pixels unchanged.

#include <cstddef>
#include <cstdint>
#include <optional>

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

  // One colour component (Y, U, V; R, G, B; or grey) of a format whose
  // components are 8 bits each: where its first sample lies and the bytes
  // from one sample to the next along a row and down a column. None for
  // other formats (10-bit, 16-bit packed, paletted).
  struct Component {
    const std::uint8_t* data = nullptr;
    int pixelStride = 0;
    int rowStride = 0;
  };
  std::optional<Component> Component8(int index) const;
  bool IsRgb() const;  // components 0, 1, 2 are red, green, blue; else 0 is the luma

 private:
  friend bool ConvertToBgr24(const FrameSnapshot&, std::uint8_t*, std::ptrdiff_t);
  GstVideoFrame frame_{};
  bool mapped_ = false;
};

}  // namespace vantora::capture
