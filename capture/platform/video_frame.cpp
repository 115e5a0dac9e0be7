#include "capture/platform/video_frame.h"

#include <limits>
#include <memory>

namespace vantora::capture {

namespace {

struct ConverterDeleter {
  void operator()(GstVideoConverter* c) const { gst_video_converter_free(c); }
};

}  // namespace

bool ConvertToBgr24(const FrameSnapshot& frame, std::uint8_t* top_row, std::ptrdiff_t stride) {
  if (!frame.buffer || !top_row) return false;
  if (stride < std::numeric_limits<gint>::min() || stride > std::numeric_limits<gint>::max()) return false;
  MappedFrame source(frame);
  if (!source.Valid()) return false;
  const GstVideoInfo& in = source.frame_.info;
  GstVideoInfo out;
  if (!gst_video_info_set_interlaced_format(&out, GST_VIDEO_FORMAT_BGR, GST_VIDEO_INFO_INTERLACE_MODE(&in),
                                            static_cast<guint>(source.Width()),
                                            static_cast<guint>(source.Height()))) {
    return false;
  }
  // The converter changes pixels only, never timing.
  GST_VIDEO_INFO_FPS_N(&out) = GST_VIDEO_INFO_FPS_N(&in);
  GST_VIDEO_INFO_FPS_D(&out) = GST_VIDEO_INFO_FPS_D(&in);
  out.stride[0] = static_cast<gint>(stride);
  // The caller's rows stand in for a mapped frame: the converter reads only
  // the format and the plane's start.
  GstVideoFrame target{};
  target.info = out;
  target.data[0] = top_row;
  std::unique_ptr<GstVideoConverter, ConverterDeleter> converter(
      gst_video_converter_new(&in, &out, nullptr));
  if (!converter) return false;
  gst_video_converter_frame(converter.get(), &source.frame_, &target);
  return true;
}

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

std::optional<MappedFrame::Component> MappedFrame::Component8(int index) const {
  if (!mapped_ || index < 0 || index >= static_cast<int>(GST_VIDEO_FRAME_N_COMPONENTS(&frame_))) return std::nullopt;
  const GstVideoFormatInfo* format = frame_.info.finfo;
  if (GST_VIDEO_FORMAT_INFO_HAS_PALETTE(format) || GST_VIDEO_FORMAT_INFO_DEPTH(format, index) != 8 ||
      GST_VIDEO_FORMAT_INFO_SHIFT(format, index) != 0 || GST_VIDEO_FORMAT_INFO_W_SUB(format, index) != 0 ||
      GST_VIDEO_FORMAT_INFO_H_SUB(format, index) != 0) {
    return std::nullopt;
  }
  return Component{static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame_, index)),
                   GST_VIDEO_FRAME_COMP_PSTRIDE(&frame_, index), GST_VIDEO_FRAME_COMP_STRIDE(&frame_, index)};
}

bool MappedFrame::IsRgb() const { return mapped_ && GST_VIDEO_FORMAT_INFO_IS_RGB(frame_.info.finfo); }

}  // namespace vantora::capture
