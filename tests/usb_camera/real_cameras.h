#pragma once
// Mode lists of cameras that sites buy, as their owners posted them
// (`v4l2-ctl --list-formats-ext`). Only the modes the cited text shows are
// here; sizes a listing shows beyond what is quoted there are left out.
// Where a post names no product, the name is a stand-in of ours.

namespace vantora::testing {

struct RealCamera {
  const char* name;    // the product name uvcvideo gives the device
  const char* modes;   // in the emulator's notation (camera_modes.h)
  const char* source;  // where the listing was published
};

// A webcam whose YUYV is fast only up to 640x480 (and 800x448): 1280x720
// comes at 10 frames a second in YUYV, at 30 only as motion JPEG.
inline constexpr RealCamera kWebcam720 = {
    "USB Camera",
    "yuyv640x480@30/20/15/10/7.5+yuyv1280x720@10/7.5+yuyv960x544@20/15/10/7.5+yuyv800x448@30/20/15/10"
    "+mjpg640x480@30/20/15/10/7.5+mjpg1920x1080@30/20/15/10/7.5+mjpg1280x720@30/20/15/10/7.5"
    "+mjpg960x544@30/20",
    "https://github.com/jacksonliam/mjpg-streamer/issues/169"};

// Logitech's 1080p PTZ Pro: raw sizes up to 1024x576 at falling rates, and
// 1920x1080 at 30 frames a second as motion JPEG (its current format in the
// same thread, read back with `v4l2-ctl --all`).
inline constexpr RealCamera kPtzPro1080 = {
    "PTZ Pro Camera",
    "yuyv800x448@30/24/20/15/10/7.5/5+yuyv800x600@24/20/15/10/7.5/5+yuyv848x480@30/24/20/15/10/7.5/5"
    "+yuyv960x540@15/10/7.5/5+yuyv1024x576@15/10+mjpg1920x1080@30",
    "https://github.com/pikvm/ustreamer/issues/2"};

// A VGA camera that offers YUYV only.
inline constexpr RealCamera kYuyvOnly = {
    "USB2.0 PC CAMERA",
    "yuyv640x480@30/25/20/15/10/5+yuyv352x288@30/25/20/15/10/5+yuyv320x240@30/25/20/15/10/5"
    "+yuyv176x144@30/25/20/15/10/5+yuyv160x120@30/25/20/15/10/5",
    "https://github.com/Peter-St/Android-UVC-Camera/issues/7"};

}  // namespace vantora::testing
