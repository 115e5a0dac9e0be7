// The GStreamer layer on its own: test-camera lists, monikers, result texts,
// the device list and the graph with the in-process test cameras.

#include <gtest/gtest.h>

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/platform/camera_mode.h"
#include "capture/platform/capture_graph.h"
#include "capture/platform/device_list.h"
#include "capture/platform/frame_grabber.h"
#include "capture/platform/gst_runtime.h"
#include "capture/platform/result_code.h"
#include "capture/platform/test_camera_setup.h"
#include "tests/capture/test_cameras.h"
#include "capture/platform/video_renderer.h"

namespace vantora::testing {
namespace {

using capture::CaptureGraph;
using capture::DeviceMoniker;

TEST(CaptureTestCameraSetup, ParsesWellFormedItemsAndSkipsTheRest) {
  struct Case {
    const char* text;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"", {}},
      {"640x480", {"640x480"}},
      {"640x480,720x480,1280x720", {"640x480", "720x480", "1280x720"}},
      {" 640x480 , 350x262:mjpg", {"640x480", "350x262:mjpg"}},
      {"640x480,,bogus,0x480,640x0,640x,x480,-1x5,9000x10,640x480:h264,1x1", {"640x480", "1x1"}},
      {"640x480,640x480", {"640x480", "640x480"}},
      {"350x262:grid,640x480:grid:mjpg,5000x10:grid", {"350x262:grid"}},
      {"1280x720:modes=yuyv640x480@30+mjpg1280x720@30", {"1280x720:modes=yuyv640x480@30+mjpg1280x720@30"}},
      {"1x1:modes=,1x1:modes=h264640x480@30,1x1:modes=yuyv640x480@0,1x1:modes=yuyv640x480,"
       "1x1:mjpg:modes=mjpg640x480@30,1x1:grid:modes=yuyv1x1@30",
       {}},
  };
  for (const auto& c : cases) {
    auto setups = capture::ParseTestCameraList(c.text);
    std::vector<std::string> keys;
    for (const auto& s : setups) keys.push_back(s.key);
    EXPECT_EQ(keys, c.keys) << c.text;
  }
  auto setups = capture::ParseTestCameraList("350x262:mjpg");
  ASSERT_EQ(setups.size(), 1u);
  EXPECT_EQ(setups[0].width, 350);
  EXPECT_EQ(setups[0].height, 262);
  EXPECT_TRUE(setups[0].mjpeg);
  EXPECT_EQ(setups[0].DisplayName(), "Vantora Test Camera 350x262 MJPG");
  EXPECT_EQ(capture::ParseTestCameraList("720x480")[0].DisplayName(), "Vantora Test Camera 720x480");
  EXPECT_EQ(capture::ParseTestCameraList("350x262:grid")[0].DisplayName(),
            "Vantora Test Camera 350x262 Grid");
  auto usb = capture::ParseTestCameraList("1280x720:modes=yuyv640x480@30+mjpg1920x1080@15");
  ASSERT_EQ(usb.size(), 1u);
  ASSERT_EQ(usb[0].modes.size(), 2u);
  EXPECT_FALSE(usb[0].modes[0].mjpeg);
  EXPECT_EQ(usb[0].modes[0].width, 640);
  EXPECT_EQ(usb[0].modes[0].fps, 30);
  EXPECT_TRUE(usb[0].modes[1].mjpeg);
  EXPECT_EQ(usb[0].modes[1].height, 1080);
  EXPECT_EQ(usb[0].modes[1].fps, 15);
}

// The modes a camera offers, read from its capabilities: fixed sizes only,
// the highest rate of a list or a range.
TEST(CaptureCameraMode, ReadsModesFromCapabilities) {
  capture::EnsureGstreamer();
  auto caps = capture::CapsRef::Adopt(gst_caps_from_string(
      "video/x-raw,format=YUY2,width=640,height=480,framerate={ 15/1, 30/1, 5/1 };"
      "image/jpeg,width=1280,height=720,framerate=[ 5/1, 30/1 ];"
      "video/x-raw,format=NV12,width=[ 1, 100 ],height=480,framerate=30/1;"
      "video/x-h264,width=1920,height=1080,framerate=30/1;"
      "video/x-raw,format=YUY2,width=352,height=288"));
  auto modes = capture::ModesOf(caps.get());
  ASSERT_EQ(modes.size(), 3u);
  EXPECT_EQ(modes[0], (capture::CameraMode{"video/x-raw", "YUY2", 640, 480, 30, 1}));
  EXPECT_EQ(modes[1], (capture::CameraMode{"image/jpeg", "", 1280, 720, 30, 1}));
  EXPECT_EQ(modes[2], (capture::CameraMode{"video/x-raw", "YUY2", 352, 288, 0, 1}));
  auto any = capture::CapsRef::Adopt(gst_caps_new_any());
  EXPECT_TRUE(capture::ModesOf(any.get()).empty());
  EXPECT_TRUE(capture::ModesOf(nullptr).empty());
}

// The operator's rule: smooth, sharp enough, no bigger than needed.
TEST(CaptureCameraMode, ChoosesASmoothSharpModeNoBiggerThanNeeded) {
  auto raw = [](int w, int h, int fps) { return capture::CameraMode{"video/x-raw", "YUY2", w, h, fps, 1}; };
  auto jpg = [](int w, int h, int fps) { return capture::CameraMode{"image/jpeg", "", w, h, fps, 1}; };
  struct Case {
    const char* camera;
    std::vector<capture::CameraMode> offered;
    capture::CameraMode chosen;
  };
  const Case cases[] = {
      {"typical USB camera",
       {raw(640, 480, 30), raw(1280, 720, 10), raw(1920, 1080, 5), jpg(1280, 720, 30), jpg(1920, 1080, 30)},
       jpg(1280, 720, 30)},
      {"raw only", {raw(640, 480, 30), raw(1280, 720, 10), raw(1920, 1080, 5)}, raw(640, 480, 30)},
      {"nothing smooth", {raw(1920, 1080, 5), raw(1280, 720, 10), raw(640, 480, 15)}, raw(1280, 720, 10)},
      {"only small", {raw(320, 240, 30), raw(352, 288, 30), raw(176, 144, 30)}, raw(352, 288, 30)},
      {"smooth only above 720 rows", {raw(640, 360, 30), jpg(1920, 1080, 30), raw(1280, 720, 10)},
       jpg(1920, 1080, 30)},
      {"same size both ways", {jpg(1280, 720, 30), raw(1280, 720, 30)}, raw(1280, 720, 30)},
      {"wider wins at equal rows", {raw(640, 480, 30), raw(720, 480, 30)}, raw(720, 480, 30)},
      {"faster wins at equal size", {raw(640, 480, 25), raw(640, 480, 30)}, raw(640, 480, 30)},
      {"one mode", {raw(1920, 1080, 5)}, raw(1920, 1080, 5)},
  };
  for (const auto& c : cases) {
    auto chosen = capture::ChooseMode(c.offered);
    ASSERT_TRUE(chosen) << c.camera;
    EXPECT_EQ(*chosen, c.chosen) << c.camera << ": got " << chosen->media << " " << chosen->width << "x"
                                 << chosen->height << "@" << chosen->fps_n;
  }
  EXPECT_FALSE(capture::ChooseMode({}));
}

TEST(CaptureTestCameraSetup, FindsTheFaultOfOneCamera) {
  using K = capture::TestCameraFaultKind;
  struct Case {
    const char* text;
    const char* key;
    K kind;
    int frames;
  };
  const Case cases[] = {
      {"", "640x480", K::kNone, 0},
      {"640x480=no-frames", "640x480", K::kNoFrames, 0},
      {"640x480=no-frames", "720x480", K::kNone, 0},
      {"720x480=error-after:5,640x480=no-element", "640x480", K::kNoElement, 0},
      {"720x480=error-after:5", "720x480", K::kErrorAfter, 5},
      {"720x480=error-after:x", "720x480", K::kNone, 0},
      {"720x480=error-after:-2", "720x480", K::kNone, 0},
      {"720x480=explode", "720x480", K::kNone, 0},
  };
  for (const auto& c : cases) {
    auto fault = capture::FindTestCameraFault(c.text, c.key);
    EXPECT_EQ(fault.kind, c.kind) << c.text;
    EXPECT_EQ(fault.frames, c.frames) << c.text;
  }
}

TEST(CaptureMoniker, SurvivesAsBytesAndRefusesForeignBytes) {
  DeviceMoniker m("v4l2", "/dev/video0", "USB Camera \xe6\x91\x84\xe5\x83\x8f");
  auto bytes = m.Serialize();
  auto back = DeviceMoniker::Deserialize(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, m);
  // The same node and name on a USB port: the bus path alone tells them apart.
  DeviceMoniker usb("v4l2", "/dev/video0", "USB Camera \xe6\x91\x84\xe5\x83\x8f", {}, "usb-0000:00:14.0-1");
  auto usb_back = DeviceMoniker::Deserialize(usb.Serialize());
  ASSERT_TRUE(usb_back);
  EXPECT_EQ(usb_back->BusPath(), "usb-0000:00:14.0-1");
  EXPECT_FALSE(*usb_back == m);

  std::vector<std::vector<std::uint8_t>> bad{
      {},
      {'V', 'D', 'M'},
      {'X', 'D', 'M', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {'V', 'D', 'M', '1', 0xff, 0xff, 0xff, 0xff},
      std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1),
  };
  auto trailing = bytes;
  trailing.push_back(0);
  bad.push_back(trailing);
  auto empty_bus = bytes;  // a bus path is written only when there is one
  empty_bus.insert(empty_bus.end(), {0, 0, 0, 0});
  bad.push_back(empty_bus);
  for (const auto& b : bad) EXPECT_FALSE(DeviceMoniker::Deserialize(b)) << b.size();
}

// A camera plugged back in keeps its name and USB port, not its node; two
// cameras of one model differ in their ports. Without a port only the exact
// identity counts.
TEST(CaptureMoniker, TheSameCameraIsFoundByNameAndBusPath) {
  const DeviceMoniker chosen("v4l2", "/dev/video0", "USB Camera", {}, "usb-0000:00:14.0-1");
  struct Case {
    DeviceMoniker listed;
    bool same;
  };
  const Case cases[] = {
      {{"v4l2", "/dev/video2", "USB Camera", {}, "usb-0000:00:14.0-1"}, true},
      {{"v4l2", "/dev/video0", "USB Camera", {}, "usb-0000:00:14.0-2"}, false},
      {{"v4l2", "/dev/video2", "Other Camera", {}, "usb-0000:00:14.0-1"}, false},
      {{"pipewire", "/dev/video2", "USB Camera", {}, "usb-0000:00:14.0-1"}, false},
      {{"v4l2", "/dev/video0", "USB Camera"}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(capture::CameraAtItsPort(chosen.Identity(), c.listed.Identity()), c.same)
        << c.listed.Path() << " " << c.listed.BusPath();
  }
  const DeviceMoniker no_port("v4l2", "/dev/video0", "USB Camera");
  EXPECT_TRUE(capture::CameraAtItsPort(no_port.Identity(), DeviceMoniker("v4l2", "/dev/video0", "USB Camera").Identity()));
  EXPECT_FALSE(capture::CameraAtItsPort(no_port.Identity(), DeviceMoniker("v4l2", "/dev/video2", "USB Camera").Identity()));
}

// Which present camera each item of a menu of twins reaches (by position
// among the present ones; -1: none): its own at its port, else one of the
// model that no other item reaches, and never one of another model.
TEST(CaptureMoniker, EachItemReachesOneCameraAndNoneThatAnotherItemNames) {
  const std::vector<capture::DeviceIdentity> twins{{"v4l2", "/dev/video0", "USB Camera", "p1"},
                                                   {"v4l2", "/dev/video2", "USB Camera", "p2"}};
  using Present = std::vector<std::pair<const char*, const char*>>;  // name, port
  struct Case {
    Present present;
    int reached[2];
  };
  const Case cases[] = {
      {{{"USB Camera", "p2"}, {"USB Camera", "p1"}}, {1, 0}},  // back under each other's nodes
      {{{"USB Camera", "p3"}, {"USB Camera", "p2"}}, {0, 1}},  // the first in another port
      {{{"USB Camera", "p2"}}, {-1, 0}},                       // never the other's camera
      {{{"USB Camera", "p4"}, {"USB Camera", "p3"}}, {0, 1}},  // both in new ports: one each
      {{{"Other Camera", "p3"}}, {-1, -1}},
  };
  for (const auto& c : cases) {
    std::vector<capture::DeviceListing> present;
    for (const auto& [name, port] : c.present) present.push_back({name, DeviceMoniker("v4l2", "/dev/video4", name, {}, port), {}});
    for (std::size_t k = 0; k < 2; ++k) {
      const capture::DeviceListing* found = capture::CameraOfItem(twins, k, present);
      EXPECT_EQ(found ? found - present.data() : -1, c.reached[k]) << c.present[0].second << " item " << k;
    }
  }
}

TEST(CaptureDeviceList, OnlyDevicesWithUsableVideoCount) {
  capture::EnsureGstreamer();
  struct Case {
    const char* caps;
    bool usable;
  };
  const Case cases[] = {
      {"video/x-raw,format=YUY2,width=640,height=480", true},
      {"image/jpeg,width=1280,height=720", true},
      {"application/x-v4l2-meta; video/x-h264", false},  // a metadata node, or H.264 only
      {"EMPTY", false},
  };
  for (const auto& c : cases) {
    auto caps = capture::CapsRef::Adopt(gst_caps_from_string(c.caps));
    EXPECT_EQ(capture::OffersUsableVideo(caps.get()), c.usable) << c.caps;
  }
  EXPECT_FALSE(capture::OffersUsableVideo(nullptr));
}

TEST(CaptureDeviceList, TestCamerasComeInOrderAfterTheRealOnes) {
  ScopedTestCameras cams("640x480,720x480:mjpg,1280x720,640x480");
  auto devices = capture::ListVideoDevices();
  ASSERT_GE(devices.size(), 4u);
  const std::size_t real = devices.size() - 4;
  const char* expected[] = {"Vantora Test Camera 640x480", "Vantora Test Camera 720x480 MJPG",
                            "Vantora Test Camera 1280x720", "Vantora Test Camera 640x480"};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(devices[real + i].display_name, expected[i]);
  // Two identical cameras stay two devices with identities of their own.
  EXPECT_FALSE(devices[real].moniker == devices[real + 3].moniker);
  // Listing again gives the same order.
  auto again = capture::ListVideoDevices();
  ASSERT_EQ(again.size(), devices.size());
  for (std::size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].moniker, devices[i].moniker);
}

TEST(CaptureMoniker, BindsWhileTheDeviceIsThereAndNotAfter) {
  std::optional<DeviceMoniker> moniker;
  {
    ScopedTestCameras cams("640x480,720x480");
    moniker = capture::ListVideoDevices().back().moniker;
    EXPECT_TRUE(moniker->BindToElement());
  }
  ScopedTestCameras fewer("640x480");
  EXPECT_FALSE(moniker->BindToElement());
  ScopedTestCameras broken("720x480", "720x480=no-element");
  EXPECT_FALSE(moniker->BindToElement());
}

// A moniker kept as bytes has no device object; it finds its device with a
// new listing, and only while the device is listed.
TEST(CaptureMoniker, FromBytesFindsTheDeviceByANewListing) {
  ScopedTestCameras cams("640x480,720x480");
  auto listing = capture::ListVideoDevices().back();
  EXPECT_TRUE(listing.moniker.HoldsDevice());
  auto restored = DeviceMoniker::Deserialize(listing.moniker.Serialize());
  ASSERT_TRUE(restored);
  EXPECT_FALSE(restored->HoldsDevice());
  EXPECT_EQ(*restored, listing.moniker);
  EXPECT_TRUE(restored->BindToElement());

  // A listed device whose node has gone binds to nothing; only a character
  // device counts as the node still being there.
  struct Case {
    const char* path;
    bool binds;
  };
  const Case cases[] = {{"/dev/video-gone", false}, {"/dev", false}, {"/dev/null", true}};
  for (const auto& c : cases) {
    DeviceMoniker m("v4l2", c.path, "USB Camera", listing.device);
    EXPECT_EQ(static_cast<bool>(m.BindToElement()), c.binds) << c.path;
  }

  ScopedTestCameras fewer("640x480");
  EXPECT_FALSE(restored->BindToElement());
}

TEST(CaptureResultCode, TextsForCodes) {
  EXPECT_EQ(ErrorText(E_FAIL), "Unspecified error.");
  EXPECT_EQ(ErrorText(VFW_E_NOT_CONNECTED),
            "The operation cannot be performed because the pins are not connected.");
  EXPECT_EQ(ErrorText(MakeHResult(0x80041234u)), "Unknown error.");
  EXPECT_EQ(Result(VFW_E_RUNTIME_ERROR, "Cannot identify device '/dev/video99'.").Text(),
            "Cannot identify device '/dev/video99'.");
  EXPECT_TRUE(Failed(E_FAIL));
  EXPECT_FALSE(Failed(S_FALSE));
}

// What videoconvert makes of one frame, as the graph made it of every frame
// before: the yardstick for the conversion done on request.
std::vector<std::uint8_t> ThroughVideoconvert(const capture::FrameSnapshot& frame, GstCaps* caps) {
  GError* raw_error = nullptr;
  auto pipeline = capture::AdoptFloating(gst_parse_launch_full(
      "appsrc name=in ! videoconvert ! video/x-raw,format=BGR ! appsink name=out sync=false", nullptr,
      GST_PARSE_FLAG_FATAL_ERRORS, &raw_error));
  capture::GErrorPtr error(raw_error);
  if (!pipeline) return {};
  auto in = capture::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
  auto out = capture::ElementRef::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
  g_object_set(in.get(), "caps", caps, "format", GST_FORMAT_TIME, nullptr);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  gst_app_src_push_buffer(GST_APP_SRC(in.get()), gst_buffer_ref(frame.buffer.get()));
  gst_app_src_end_of_stream(GST_APP_SRC(in.get()));
  auto sample = capture::SampleRef::Adopt(gst_app_sink_try_pull_sample(GST_APP_SINK(out.get()), 10 * GST_SECOND));
  std::vector<std::uint8_t> rows;
  GstVideoInfo vi;
  if (sample && gst_video_info_from_caps(&vi, gst_sample_get_caps(sample.get()))) {
    capture::MappedFrame bgr({capture::BufferRef::Share(gst_sample_get_buffer(sample.get())), vi});
    for (int y = 0; bgr.Valid() && y < bgr.Height(); ++y) rows.insert(rows.end(), bgr.Row(y), bgr.Row(y) + 3 * bgr.Width());
  }
  gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  return rows;
}

// A grab converts one frame on request, straight into the bitmap's rows
// (bottom-up, padded to 4 bytes): it must give what videoconvert gave when
// the graph converted every frame, for the formats cameras and the JPEG
// decoder deliver, odd sizes and the decoder's full-range colours included.
TEST(CaptureFrameConversion, GivesWhatVideoconvertGaveInEitherRowOrder) {
  capture::EnsureGstreamer();
  const char* cases[] = {
      "video/x-raw,format=YUY2,width=350,height=262,framerate=30/1",
      "video/x-raw,format=I420,width=350,height=262,framerate=30/1,colorimetry=1:4:0:0,chroma-site=jpeg",
      "video/x-raw,format=I420,width=64,height=48,framerate=30/1",
      "video/x-raw,format=NV12,width=350,height=262,framerate=30/1",
      "video/x-raw,format=GRAY8,width=33,height=7,framerate=30/1",
      "video/x-raw,format=RGB,width=350,height=262,framerate=30/1",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    auto caps = capture::CapsRef::Adopt(gst_caps_from_string(text));
    GstVideoInfo vi;
    ASSERT_TRUE(gst_video_info_from_caps(&vi, caps.get()));
    capture::FrameSnapshot frame{capture::BufferRef::Adopt(gst_buffer_new_allocate(nullptr, vi.size, nullptr)), vi};
    {
      GstMapInfo map;
      ASSERT_TRUE(gst_buffer_map(frame.buffer.get(), &map, GST_MAP_WRITE));
      std::uint32_t seed = 12345;
      for (gsize i = 0; i < map.size; ++i) map.data[i] = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
      gst_buffer_unmap(frame.buffer.get(), &map);
    }
    const std::vector<std::uint8_t> expected = ThroughVideoconvert(frame, caps.get());
    const int w = GST_VIDEO_INFO_WIDTH(&vi), h = GST_VIDEO_INFO_HEIGHT(&vi);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(3 * w * h));
    const int stride = (3 * w + 3) / 4 * 4;
    for (bool bottom_up : {false, true}) {
      std::vector<std::uint8_t> store(static_cast<std::size_t>(stride) * h, 0xA5);
      std::uint8_t* top = bottom_up ? store.data() + static_cast<std::size_t>(stride) * (h - 1) : store.data();
      ASSERT_TRUE(capture::ConvertToBgr24(frame, top, bottom_up ? -stride : stride));
      int wrong_rows = 0;
      for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = top + static_cast<std::ptrdiff_t>(bottom_up ? -stride : stride) * y;
        wrong_rows += !std::equal(row, row + 3 * w, expected.begin() + static_cast<std::ptrdiff_t>(3 * w) * y);
      }
      EXPECT_EQ(wrong_rows, 0) << (bottom_up ? "bottom-up" : "top-down");
    }
  }
  EXPECT_FALSE(capture::ConvertToBgr24({}, nullptr, 0));
}

// A graph with one test camera, the grabber and the renderer, linked.
struct PreviewGraph {
  explicit PreviewGraph(const DeviceMoniker& moniker) {
    source = moniker.BindToElement();
    EXPECT_TRUE(source);
    EXPECT_EQ(graph.AddFilter(renderer.Element(), "AVCapture1").code, S_OK);
    EXPECT_EQ(graph.AddFilter(grabber.Element(), "SampleGrabber").code, S_OK);
    EXPECT_EQ(graph.AddFilter(source, "Filter").code, S_OK);
    connected = graph.RenderStream(source, grabber.Element(), renderer.Element());
  }
  CaptureGraph graph;
  capture::VideoRenderer renderer{404, 303};
  capture::FrameGrabber grabber;
  capture::ElementRef source;
  Result connected;
};

DeviceMoniker LastTestCamera() { return capture::ListVideoDevices().back().moniker; }

// No frame is converted at the camera's size as it streams: the grabber
// keeps each frame as the camera (or the decoder) made it, and the renderer
// hands over frames of the size shown, in the layout of a 32-bit RGB image,
// following the size it is given while the graph runs.
TEST(CaptureGraphRun, KeepsFramesAsTheyComeAndRendersThemAtTheSizeShown) {
  struct Case {
    const char* camera;
    int width, height;
    GstVideoFormat kept;
  };
  const Case cases[] = {
      {"640x480", 640, 480, GST_VIDEO_FORMAT_YUY2},
      {"350x262", 350, 262, GST_VIDEO_FORMAT_YUY2},
      {"720x480:mjpg", 720, 480, GST_VIDEO_FORMAT_I420},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.camera);
    ScopedTestCameras cams(c.camera);
    PreviewGraph p(LastTestCamera());
    ASSERT_EQ(p.connected.code, S_OK) << p.connected.Text();
    ASSERT_EQ(p.graph.Run().code, S_OK);
    // Run returns once the format is settled.
    auto format = p.grabber.ConnectedFormat();
    ASSERT_TRUE(format);
    EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&*format), c.kept);
    EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&*format), c.width);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&*format), c.height);
    ASSERT_TRUE(WaitUntil([&] { return p.grabber.LatestFrame().has_value(); }));
    EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&p.grabber.LatestFrame()->info), c.kept);

    auto shown_size = [&](int w, int h) {
      std::optional<capture::FrameSnapshot> shown;
      EXPECT_TRUE(WaitUntil([&] {
        shown = p.renderer.TakeLatestFrame();
        return shown && GST_VIDEO_INFO_WIDTH(&shown->info) == w && GST_VIDEO_INFO_HEIGHT(&shown->info) == h;
      })) << "no frame of " << w << "x" << h;
      if (shown) {
        EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&shown->info), GST_VIDEO_FORMAT_BGRx);
      }
    };
    shown_size(404, 303);
    p.renderer.SetDisplaySize(539, 303);
    shown_size(539, 303);
    EXPECT_EQ(p.graph.Stop().code, S_OK);
    EXPECT_FALSE(p.grabber.ConnectedFormat());
  }
}

// A camera offering the modes of a typical USB camera streams in the chosen
// one: motion JPEG 1280x720 at 30 frames a second, decoded in the graph, and
// the frames come stamped 1/30 s apart.
TEST(CaptureGraphRun, ACameraWithManyModesPreviewsInTheChosenOne) {
  ScopedTestCameras cams(
      "1280x720:modes=yuyv640x480@30+yuyv1280x720@10+yuyv1920x1080@5+mjpg1280x720@30+mjpg1920x1080@30");
  PreviewGraph p(LastTestCamera());
  ASSERT_EQ(p.connected.code, S_OK) << p.connected.Text();
  ASSERT_EQ(p.graph.Run().code, S_OK);
  auto format = p.grabber.ConnectedFormat();
  ASSERT_TRUE(format);
  EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&*format), 1280);
  EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&*format), 720);
  EXPECT_EQ(GST_VIDEO_INFO_FPS_N(&*format), 30);
  EXPECT_EQ(GST_VIDEO_INFO_FPS_D(&*format), 1);
  bool decodes = false;
  for (const auto& f : p.graph.Filters()) {
    GstElementFactory* factory = gst_element_get_factory(f.get());
    decodes = decodes || (factory && g_str_equal(GST_OBJECT_NAME(factory), "jpegdec"));
  }
  EXPECT_TRUE(decodes);

  GstClockTime first = GST_CLOCK_TIME_NONE, second = GST_CLOCK_TIME_NONE;
  ASSERT_TRUE(WaitUntil([&] {
    auto frame = p.grabber.LatestFrame();
    if (!frame) return false;
    GstClockTime pts = GST_BUFFER_PTS(frame->buffer.get());
    if (first == GST_CLOCK_TIME_NONE) first = pts;
    if (pts != first) second = pts;
    return second != GST_CLOCK_TIME_NONE;
  }));
  // Successive frames of a 30 fps stream; allow a dropped frame or two.
  const GstClockTime step = (second - first);
  const GstClockTime frame_time = GST_SECOND / 30;
  EXPECT_EQ(step % frame_time <= 1 || frame_time - step % frame_time <= 1, true) << step;
  EXPECT_LE(step, 3 * frame_time + 1) << step;
}

TEST(CaptureGraphRun, AFailingCameraQueuesAnErrorEventAndNotifiesOnce) {
  ScopedTestCameras cams("640x480", "640x480=error-after:3");
  PreviewGraph p(LastTestCamera());
  std::mutex m;
  int notified = 0;
  p.graph.SetEventNotify([&] {
    std::lock_guard lock(m);
    ++notified;
  });
  ASSERT_EQ(p.graph.Run().code, S_OK);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard lock(m);
    return notified > 0;
  }));
  auto event = p.graph.GetEvent();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->code, capture::EC_ERRORABORT);
  EXPECT_EQ(event->text, "Could not read from resource.");
  while (p.graph.GetEvent()) {
  }
  // The last good frame stays for the grab and the picture.
  EXPECT_TRUE(p.grabber.LatestFrame().has_value());
}

TEST(CaptureGraphRun, ACameraWithoutFramesStillSettlesItsFormat) {
  ScopedTestCameras cams("1280x720", "1280x720=no-frames");
  PreviewGraph p(LastTestCamera());
  ASSERT_EQ(p.graph.Run().code, S_OK);
  auto format = p.grabber.ConnectedFormat();
  ASSERT_TRUE(format);
  EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&*format), 1280);
  EXPECT_FALSE(p.grabber.LatestFrame());
}

TEST(CaptureGraphRun, UnlinkedRendererIsNotConnectedAndStrayFiltersAreRefused) {
  ScopedTestCameras cams("640x480");
  CaptureGraph graph;
  capture::VideoRenderer renderer(404, 303);
  capture::FrameGrabber grabber;
  EXPECT_EQ(renderer.ConnectionState().code, VFW_E_NOT_CONNECTED);
  auto source = LastTestCamera().BindToElement();
  // Filters outside the graph cannot be connected.
  EXPECT_EQ(graph.RenderStream(source, grabber.Element(), renderer.Element()).code, E_INVALIDARG);
  EXPECT_EQ(graph.AddFilter(capture::ElementRef(), "x").code, E_POINTER);
  EXPECT_EQ(graph.RemoveFilter(source).code, VFW_E_NOT_FOUND);
}

TEST(CaptureGraphRun, AMissingV4l2DeviceIsReportedInItsOwnWords) {
  CaptureGraph graph;
  capture::VideoRenderer renderer(404, 303);
  capture::FrameGrabber grabber;
  auto source = capture::MakeElement("v4l2src");
  if (!source) GTEST_SKIP() << "no v4l2src here";
  g_object_set(source.get(), "device", "/dev/video99", nullptr);
  graph.AddFilter(renderer.Element(), "AVCapture1");
  graph.AddFilter(grabber.Element(), "SampleGrabber");
  graph.AddFilter(source, "Filter");
  Result r = graph.RenderStream(source, grabber.Element(), renderer.Element());
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Text(), "Cannot identify device '/dev/video99'.");
  EXPECT_EQ(renderer.ConnectionState().code, VFW_E_NOT_CONNECTED);
}

}  // namespace
}  // namespace vantora::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
