// The grey panel of one picture as a BGR and as a YUY2 frame.
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "capture/platform/gst_runtime.h"
#include "guide/grey_panel.h"

namespace vantora::guide {

static capture::FrameSnapshot NewFrame(GstVideoFormat format) {
  GstVideoInfo info;
  gst_video_info_set_format(&info, format, 640, 480);
  return {capture::BufferRef::Adopt(gst_buffer_new_allocate(nullptr, info.size, nullptr)), info};
}

TEST(GreyPanel, YuvFrameGivesThePanelOfItsBgrPicture) {
  capture::EnsureGstreamer();
  capture::FrameSnapshot bgr = NewFrame(GST_VIDEO_FORMAT_BGR), yuy2 = NewFrame(GST_VIDEO_FORMAT_YUY2);
  GstVideoFrame in, out;
  ASSERT_TRUE(gst_video_frame_map(&in, &bgr.info, bgr.buffer.get(), GST_MAP_READWRITE));
  auto* pixels = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&in, 0));
  for (int i = 0; i < 640 * 480 * 3; ++i) pixels[i] = static_cast<std::uint8_t>(i % 1920 * 255 / 1919);  // ramps
  ASSERT_TRUE(gst_video_frame_map(&out, &yuy2.info, yuy2.buffer.get(), GST_MAP_WRITE));
  std::unique_ptr<GstVideoConverter, decltype(&gst_video_converter_free)> converter(
      gst_video_converter_new(&in.info, &out.info, nullptr), gst_video_converter_free);
  gst_video_converter_frame(converter.get(), &in, &out);
  gst_video_frame_unmap(&out);
  gst_video_frame_unmap(&in);
  const auto expected = GreyPanelOfFrame(bgr, 140, 361), live = GreyPanelOfFrame(yuy2, 140, 361);
  ASSERT_TRUE(expected && live);
  for (std::size_t i = 0; i < live->pixels.size(); ++i) ASSERT_LE(std::abs(live->pixels[i] - expected->pixels[i]), 2) << i;
  EXPECT_FALSE(GreyPanelOfFrame(bgr, 280, 361));  // past the frame's right edge
}

}  // namespace vantora::guide
