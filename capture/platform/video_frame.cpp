#include "video_frame.h"

namespace vantora::capture {

MappedFrame::MappedFrame(const FrameSnapshot& snapshot) {
  if (!snapshot.buffer) return;
  GstVideoInfo info = snapshot.info;
  mapped_ = gst_video_frame_map(&frame_, &info, snapshot.buffer.get(), GST_MAP_READ);
}

MappedFrame::~MappedFrame() {
  if (mapped_) gst_video_frame_unmap(&frame_);
}

int MappedFrame::Width() const { return mapped_ ? GST_VIDEO_FRAME_WIDTH(&frame_) : 0; }
int MappedFrame::Height() const { return mapped_ ? GST_VIDEO_FRAME_HEIGHT(&frame_) : 0; }
int MappedFrame::Stride() const { return mapped_ ? GST_VIDEO_FRAME_PLANE_STRIDE(&frame_, 0) : 0; }

const std::uint8_t* MappedFrame::Row(int y) const {
  auto* base = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame_, 0));
  return base + static_cast<std::ptrdiff_t>(y) * Stride();
}

}  // namespace vantora::capture
