// The grey panel of one picture reached by each road: a camera's BGR, YUY2
// or I420 frame, and the 24-bit bitmap "拍照" turns a frame into.
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "capture/platform/gst_runtime.h"
#include "guide/grey_panel.h"
#include "imaging/bitmap.h"

namespace vantora::guide {
namespace {

constexpr int kW = 640, kH = 480;

capture::FrameSnapshot NewFrame(GstVideoFormat format) {
  GstVideoInfo info;
  gst_video_info_set_format(&info, format, kW, kH);
  return {capture::BufferRef::Adopt(gst_buffer_new_allocate(nullptr, info.size, nullptr)), info};
}

// Ramps of blue and green under a red chequer, so every component shows;
// within the colours YUV can carry at half the chroma width without clipping.
capture::FrameSnapshot Picture() {
  capture::FrameSnapshot frame = NewFrame(GST_VIDEO_FORMAT_BGR);
  GstVideoFrame v;
  EXPECT_TRUE(gst_video_frame_map(&v, &frame.info, frame.buffer.get(), GST_MAP_WRITE));
  for (int y = 0; y < kH; ++y) {
    auto* row = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&v, 0)) + y * GST_VIDEO_FRAME_PLANE_STRIDE(&v, 0);
    for (int x = 0; x < kW; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(40 + x * 170 / (kW - 1));
      row[3 * x + 1] = static_cast<std::uint8_t>(40 + y * 170 / (kH - 1));
      row[3 * x + 2] = static_cast<std::uint8_t>((x / 40 + y / 40) % 2 * 120 + 60);
    }
  }
  gst_video_frame_unmap(&v);
  return frame;
}

capture::FrameSnapshot Converted(const capture::FrameSnapshot& from, GstVideoFormat format) {
  capture::FrameSnapshot to = NewFrame(format);
  GstVideoFrame in, out;
  EXPECT_TRUE(gst_video_frame_map(&in, &from.info, from.buffer.get(), GST_MAP_READ));
  EXPECT_TRUE(gst_video_frame_map(&out, &to.info, to.buffer.get(), GST_MAP_WRITE));
  GstVideoConverter* converter = gst_video_converter_new(&in.info, &out.info, nullptr);
  gst_video_converter_frame(converter, &in, &out);
  gst_video_converter_free(converter);
  gst_video_frame_unmap(&out);
  gst_video_frame_unmap(&in);
  return to;
}

int LargestDifference(const TGreyPanel& a, const TGreyPanel& b) {
  int most = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) most = std::max(most, std::abs(a.pixels[i] - b.pixels[i]));
  return most;
}

TEST(GreyPanel, EveryRoadToThePictureGivesThePanel) {
  capture::EnsureGstreamer();
  const int width = 361, column = 140;  // the portrait's strip of 640x480
  const capture::FrameSnapshot bgr = Picture();
  const auto expected = GreyPanelOfFrame(bgr, column, width);
  ASSERT_TRUE(expected);
  for (GstVideoFormat format : {GST_VIDEO_FORMAT_YUY2, GST_VIDEO_FORMAT_I420}) {
    const capture::FrameSnapshot yuv = Converted(bgr, format);
    const auto live = GreyPanelOfFrame(yuv, column, width);
    ASSERT_TRUE(live) << gst_video_format_to_string(format);
    EXPECT_LE(LargestDifference(*live, *expected), 2) << gst_video_format_to_string(format);
    // What "拍照" reads: the same frame as the 24-bit bitmap it is grabbed
    // into. GStreamer's converter rounds its own way near the chequer's
    // edges (up to 6 levels seen); luma left in video range would be 12 off.
    TBitmap bitmap;
    bitmap.NewDIB24(kW, kH);
    ASSERT_TRUE(capture::ConvertToBgr24(yuv, bitmap.ScanLine(0), bitmap.ScanLine(1) - bitmap.ScanLine(0)));
    const auto taken = GreyPanelOfBitmap(bitmap, column, width);
    ASSERT_TRUE(taken);
    EXPECT_LE(LargestDifference(*taken, *live), 6) << gst_video_format_to_string(format);
  }
  EXPECT_FALSE(GreyPanelOfFrame(bgr, kW - width + 1, width));
  EXPECT_FALSE(GreyPanelOfFrame(bgr, -1, width));
  TBitmap small;
  small.NewDIB24(300, 400);
  EXPECT_FALSE(GreyPanelOfBitmap(small, -2, 301));  // a portrait-shaped frame narrower than its strip
}

}  // namespace
}  // namespace vantora::guide
