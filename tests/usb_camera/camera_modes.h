#pragma once
// A USB camera's modes as its descriptors list them: pixel format, frame
// size and the frame intervals offered at that size. Written as text the
// way the test cameras take them:
//   yuyv640x480@30/20/15+mjpg1280x720@30+h264640x480@30
// ("yuyv", "mjpg" or "h264"; rates in frames a second, fastest first;
// fractions such as 7.5 are allowed).

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::testing {

struct FrameInterval {
  std::uint32_t numerator = 1;  // seconds per frame, as V4L2 gives it
  std::uint32_t denominator = 30;
};

struct UsbCameraMode {
  std::uint32_t fourcc = 0;  // V4L2_PIX_FMT_YUYV, _MJPEG or _H264
  int width = 0;
  int height = 0;
  std::vector<FrameInterval> intervals;
};

// Throws std::invalid_argument naming the part it could not read.
std::vector<UsbCameraMode> ParseCameraModes(const std::string& text);

// Bytes of one frame at this size: YUYV exactly, a compressed format the
// most a frame may take.
std::uint32_t FrameBytes(std::uint32_t fourcc, int width, int height);

}  // namespace vantora::testing
