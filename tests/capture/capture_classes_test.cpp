// The station's capture classes under Qt's offscreen platform, driven by the
// in-process test cameras: graph membership, device selection, frame grab,
// preview drawing, and the faults a real camera can show.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QThread>
#include <cstdlib>
#include <string>

#include "capture/platform/capture_graph.h"
#include "capture/direct_show_error.h"
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/frame_copy.h"
#include "capture/platform/gst_runtime.h"
#include "imaging/graphics.h"
#include "capture/preview_selection.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "capture/platform/test_camera_provider.h"
#include "tests/capture/test_cameras.h"
#include "tests/capture/test_station.h"
#include "capture/video_window.h"

namespace vantora::testing {
namespace {

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.PixelRGB(x, y) != b.PixelRGB(x, y)) return false;
    }
  }
  return true;
}

bool AllBlack(const TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.PixelRGB(x, y) != 0) return false;
    }
  }
  return true;
}

TEST(CaptureDevEnum, ListsTestCamerasAndFindsThemAgainByPosition) {
  ScopedTestCameras cams("640x480,720x480,1280x720");
  TSysDevEnum devices;
  ASSERT_EQ(devices.DeviceCount(), 3);
  EXPECT_EQ(devices.DeviceEntry(1).FriendlyName, "Vantora Test Camera 720x480");
  EXPECT_TRUE(devices.DeviceMoniker(2));
  EXPECT_FALSE(devices.DeviceMoniker(-1));
  EXPECT_FALSE(devices.DeviceMoniker(3));
  EXPECT_THROW(devices.DeviceEntry(3), std::out_of_range);
  // A camera unplugged since the listing keeps its place and its moniker,
  // which binds to nothing now.
  ScopedTestCameras fewer("640x480");
  auto gone = devices.DeviceMoniker(2);
  ASSERT_TRUE(gone);
  EXPECT_FALSE(gone->BindToElement());
  EXPECT_EQ(devices.DeviceCount(), 3);
}

// Whatever real cameras the machine has, no test camera is listed unless
// asked for; a machine without video nodes lists nothing at all.
TEST(CaptureDevEnum, NoDeviceGivesAnEmptyList) {
  int real = 0;
  {
    ScopedTestCameras none("");
    TSysDevEnum devices;
    real = devices.DeviceCount();
    for (int i = 0; i < real; ++i) {
      EXPECT_EQ(devices.DeviceEntry(i).FriendlyName.rfind("Vantora Test Camera", 0), std::string::npos);
    }
  }
  ScopedTestCameras two("640x480,720x480");
  EXPECT_EQ(TSysDevEnum().DeviceCount(), real + 2);
  if (!MachineHasVideoNodes()) {
    EXPECT_EQ(real, 0);
  }
}

TEST(CaptureDevEnum, NamesAreCutAtACharacterBoundary) {
  const std::string han = "\xe6\x91\x84";  // one three-byte character
  struct Case {
    std::string text;
    std::size_t max;
    std::string expected;
  };
  const Case cases[] = {
      {"abc", 255, "abc"},
      {std::string(300, 'a'), 255, std::string(255, 'a')},
      {"ab" + han, 4, "ab"},
      {"ab" + han, 5, "ab" + han},
      {han + han, 3, han},
  };
  for (const auto& c : cases) EXPECT_EQ(CutUtf8(c.text, c.max), c.expected) << c.text;
}

TEST(CaptureCheckResult, FailuresCarryTextAndUpperCaseCode) {
  EXPECT_EQ(CheckResult(S_OK), S_OK);
  EXPECT_EQ(CheckResult(S_FALSE), S_FALSE);
  struct Case {
    Result result;
    const char* message;
  };
  const Case cases[] = {
      {Result(E_FAIL), "Unspecified error. ($80004005)."},
      {Result(VFW_E_NOT_CONNECTED),
       "The operation cannot be performed because the pins are not connected. ($80040209)."},
      {Result(VFW_E_RUNTIME_ERROR, "Cannot identify device '/dev/video99'."),
       "Cannot identify device '/dev/video99'. ($8004020B)."},
  };
  for (const auto& c : cases) {
    try {
      CheckResult(c.result);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EDirectShowException& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.ErrorCode(), c.result.code);
    }
  }
}

// Membership stages in order, as one member sees them.
struct RecordingMember : TGraphComponent, GraphNotifier {
  ~RecordingMember() override { SetFilterGraph(nullptr); }
  capture::ElementRef MemberFilter() const override { return {}; }
  std::string MemberName() const override { return "Recorder"; }
  void NotifyMember(TMemberStage stage, int) override { log += "m" + std::to_string(int(stage)); }
  void OnGraphEvent(std::int32_t code, std::intptr_t, std::intptr_t) override {
    log += "e" + std::to_string(code);
  }
  void OnControlEvent(TControlEvent event, int param) override {
    log += "c" + std::to_string(int(event)) + ":" + std::to_string(param);
  }
  std::string log;
};

TEST(CaptureFilterGraph, ActivationIsIdempotentAndTellsMembersInOrder) {
  TFilterGraph graph;
  RecordingMember member;
  member.SetFilterGraph(&graph);
  graph.ResetGraph();  // inactive: nothing, no error
  graph.SetActive(false);
  EXPECT_FALSE(graph.RunGraph());
  EXPECT_FALSE(graph.StopGraph());
  EXPECT_EQ(graph.CaptureGraphBuilder(), nullptr);
  EXPECT_EQ(member.log, "");

  graph.SetActive(true);
  graph.SetActive(true);
  EXPECT_EQ(member.log, "m0m1c2:1");
  member.log.clear();
  graph.SetActive(false);
  graph.SetActive(false);
  EXPECT_EQ(member.log, "c2:0m2m3");
  // A member without a filter fails the request for one.
  EXPECT_THROW(member.QueryBaseFilter(), EIntfCastError);
}

TEST(CaptureSelection, EachCameraGivesItsFrameSizeAndLayout) {
  // The last one offers a typical USB camera's modes and is previewed in
  // the chosen one, MJPG 1280x720 at 30 fps.
  ScopedTestCameras cams(
      "640x480,720x480,1280x720,"
      "1920x1080:modes=yuyv640x480@30+yuyv1280x720@10+yuyv1920x1080@5+mjpg1280x720@30+mjpg1920x1080@30");
  Station s;
  struct Case {
    int tag, width, height, preview_width, preview_left;
  };
  const Case cases[] = {{0, 640, 480, 404, -88},
                        {1, 720, 480, 454, -113},
                        {2, 1280, 720, 539, -156},
                        {3, 1280, 720, 539, -156}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    s.Select(c.tag);
    TBitmap bitmap;
    s.grabber.GrabFrame(bitmap);  // right after the start: the size is known
    EXPECT_EQ(bitmap.Width(), c.width);
    EXPECT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    auto g = ComputePreviewGeometry(bitmap.Width(), bitmap.Height());
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, c.preview_width);
    EXPECT_EQ(g->left, c.preview_left);
  }
}

TEST(CaptureFilterGraph, ResetLeavesOnlyTheMembersFiltersUnconnected) {
  ScopedTestCameras cams("640x480:mjpg");
  Station s;
  s.Select(0);
  capture::CaptureGraph* graph = s.graph.CaptureGraphBuilder();
  EXPECT_GT(graph->Filters().size(), 3u);  // decoder and converter in between
  s.graph.ResetGraph();
  auto filters = graph->Filters();
  ASSERT_EQ(filters.size(), 3u);
  for (const auto& f : filters) {
    const bool member = f == s.preview.MemberFilter() || f == s.grabber.MemberFilter() ||
                        f == s.source.MemberFilter();
    EXPECT_TRUE(member);
    GstIterator* it = gst_element_iterate_pads(f.get());
    GValue v = G_VALUE_INIT;
    while (gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
      EXPECT_FALSE(gst_pad_is_linked(GST_PAD(g_value_get_object(&v))));
      g_value_reset(&v);
    }
    g_value_unset(&v);
    gst_iterator_free(it);
  }
  // The stripped graph can be connected and run again.
  CheckResult(graph->RenderStream(s.source.MemberFilter(), s.grabber.MemberFilter(),
                                  s.preview.MemberFilter()));
  EXPECT_TRUE(s.graph.RunGraph());
  TBitmap bitmap;
  ASSERT_TRUE(WaitUntil([&] { return s.grabber.GrabFrame(bitmap); }));
}

TEST(CaptureSelection, LayoutTableAndUnknownSize) {
  struct Case {
    int w, h, width, left;
  };
  const Case cases[] = {{640, 480, 404, -88},   {320, 240, 404, -88},  {1600, 1200, 404, -88},
                        {352, 288, 370, -71},   {720, 480, 454, -113}, {720, 576, 379, -76},
                        {1280, 1024, 379, -76}, {1280, 720, 539, -156}, {1920, 1080, 539, -156}};
  for (const auto& c : cases) {
    auto g = ComputePreviewGeometry(c.w, c.h);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, c.width) << c.w << "x" << c.h;
    EXPECT_EQ(g->left, c.left) << c.w << "x" << c.h;
    EXPECT_EQ(g->height, 303);
  }
  EXPECT_FALSE(ComputePreviewGeometry(0, 0));
  EXPECT_FALSE(ComputePreviewGeometry(640, 0));
}

TEST(CaptureGrabFrame, CopiesTheLatestFrameRowsAndFramesChange) {
  struct Case {
    const char* camera;
    int width, height, bytes_per_line;
  };
  const Case cases[] = {
      {"640x480", 640, 480, 1920}, {"350x262", 350, 262, 1052}, {"640x480:mjpg", 640, 480, 1920}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.camera);
    ScopedTestCameras cams(c.camera);
    Station s;
    s.Select(0);
    TBitmap first;
    ASSERT_TRUE(WaitUntil([&] { return s.grabber.GrabFrame(first); }));
    EXPECT_EQ(first.BytesPerLine(), c.bytes_per_line);
    EXPECT_EQ(static_cast<long>(first.BytesPerLine()) * first.Height(),
              static_cast<long>(c.bytes_per_line) * c.height);
    EXPECT_FALSE(AllBlack(first));
    TBitmap later;
    ASSERT_TRUE(WaitUntil([&] { return s.grabber.GrabFrame(later) && !SamePixels(first, later); }));
  }
}

// The copy on its own, with frames of the test's making: every pixel lands
// where it belongs past the padded rows, a frame of another size fills
// nothing, and a frame the system cannot hold gives an empty bitmap and
// false rather than an error out of GrabFrame.
TEST(CaptureGrabFrame, CopyFillsTheBitmapOrReportsWhyNot) {
  capture::EnsureGstreamer();
  auto bgr = [](int w, int h) {
    GstVideoInfo vi;
    gst_video_info_set_format(&vi, GST_VIDEO_FORMAT_BGR, static_cast<guint>(w), static_cast<guint>(h));
    return vi;
  };
  // 5 pixels of 3 bytes in rows of 16: one byte of padding a row.
  const GstVideoInfo small = bgr(5, 3);
  ASSERT_EQ(GST_VIDEO_INFO_PLANE_STRIDE(&small, 0), 16);
  capture::FrameSnapshot frame{capture::BufferRef::Adopt(gst_buffer_new_allocate(nullptr, small.size, nullptr)), small};
  {
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(frame.buffer.get(), &map, GST_MAP_WRITE));
    for (int y = 0; y < 3; ++y) {
      guint8* row = map.data + y * 16;
      for (int x = 0; x < 5; ++x) {
        row[3 * x] = static_cast<guint8>(0x10 * x + y);          // blue
        row[3 * x + 1] = static_cast<guint8>(0x80 + y);          // green
        row[3 * x + 2] = static_cast<guint8>(0xF0 - 0x10 * x);   // red
      }
      row[15] = 0xEE;
    }
    gst_buffer_unmap(frame.buffer.get(), &map);
  }
  TBitmap bitmap;
  ASSERT_TRUE(CopyFrameToBitmap(small, &frame, bitmap));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.PixelRGB(0, 0), 0xF08000u);
  EXPECT_EQ(bitmap.PixelRGB(4, 0), 0xB08040u);
  EXPECT_EQ(bitmap.PixelRGB(0, 2), 0xF08202u);
  EXPECT_EQ(bitmap.PixelRGB(3, 1), 0xC08131u);

  // The connected format changed, the frame in hand is the old size.
  EXPECT_FALSE(CopyFrameToBitmap(bgr(8, 6), &frame, bitmap));
  EXPECT_EQ(bitmap.Width(), 8);
  EXPECT_TRUE(AllBlack(bitmap));
  EXPECT_FALSE(CopyFrameToBitmap(bgr(5, 3), nullptr, bitmap));
  EXPECT_EQ(bitmap.Width(), 5);

  // Wider than any bitmap can be.
  EXPECT_FALSE(CopyFrameToBitmap(bgr(70000, 2), nullptr, bitmap));
  EXPECT_TRUE(bitmap.Empty());
}

// A camera whose every pixel is known: the grab must hold exactly that
// picture, the right way up, with no row shifted by a wrong stride and the
// colours in their places. 350 columns make rows padded in the frame.
TEST(CaptureGrabFrame, GrabsTheCodedGridPixelForPixel) {
  struct Case {
    const char* camera;
    int width, height;
  };
  const Case cases[] = {{"350x262:grid", 350, 262}, {"1280x720:grid", 1280, 720}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.camera);
    ScopedTestCameras cams(c.camera);
    Station s;
    s.Select(0);
    TBitmap grab;
    ASSERT_TRUE(WaitUntil([&] { return s.grabber.GrabFrame(grab); }));
    ASSERT_EQ(grab.Width(), c.width);
    ASSERT_EQ(grab.Height(), c.height);
    // Corners written out: red x % 256, green y % 256, blue x / 256 + 16 * (y / 256).
    EXPECT_EQ(grab.PixelRGB(0, 0), 0x000000u);
    EXPECT_EQ(grab.PixelRGB(1, 0), 0x010000u);
    EXPECT_EQ(grab.PixelRGB(0, 1), 0x000100u);
    if (c.width == 350) {
      EXPECT_EQ(grab.PixelRGB(349, 0), 0x5D0001u);
      EXPECT_EQ(grab.PixelRGB(0, 261), 0x000510u);
      EXPECT_EQ(grab.PixelRGB(349, 261), 0x5D0511u);
    } else {
      EXPECT_EQ(grab.PixelRGB(1279, 719), 0xFFCF24u);
    }
    int wrong = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const std::uint32_t expected = (static_cast<std::uint32_t>(x & 0xFF) << 16) |
                                       (static_cast<std::uint32_t>(y & 0xFF) << 8) |
                                       static_cast<std::uint32_t>((x >> 8) | ((y >> 8) << 4));
        if (grab.PixelRGB(x, y) != expected && wrong++ < 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << grab.PixelRGB(x, y)
                        << ", not " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(CaptureGrabFrame, InactiveOrUnconnectedLeavesTheBitmapAlone) {
  ScopedTestCameras cams("640x480");
  Station s;
  TBitmap bitmap;
  bitmap.NewDIB24(10, 7);
  EXPECT_FALSE(s.grabber.GrabFrame(bitmap));  // graph never active
  s.graph.SetActive(true);
  EXPECT_FALSE(s.grabber.GrabFrame(bitmap));  // active, not connected
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 7);
}

TEST(CaptureGrabFrame, CameraWithoutFramesGivesABlackFrameSizedBitmap) {
  ScopedTestCameras cams("1280x720", "1280x720=no-frames");
  Station s;
  s.Select(0);
  TBitmap bitmap;
  EXPECT_FALSE(s.grabber.GrabFrame(bitmap));
  EXPECT_EQ(bitmap.Width(), 1280);
  EXPECT_EQ(bitmap.Height(), 720);
  EXPECT_TRUE(AllBlack(bitmap));
}

// The listing found the devices once; choosing one binds the device found
// then, without asking every device again, even when a new listing would
// now put another camera at that position.
TEST(CaptureSelection, ChoosingBindsTheListedDeviceWithoutListingAgain) {
  ScopedTestCameras cams("640x480,720x480");
  Station s;
  ScopedTestCameras reordered("720x480,640x480");
  const int probes = capture::TestCameraProbes();
  for (int tag : {1, 0, 1}) {
    s.Select(tag);
    TBitmap bitmap;
    s.grabber.GrabFrame(bitmap);
    EXPECT_EQ(bitmap.Width(), tag == 1 ? 720 : 640) << tag;
  }
  EXPECT_EQ(capture::TestCameraProbes(), probes);
}

TEST(CaptureSelection, SwitchingReleasesTheFirstGraphBeforeTheSecondStarts) {
  ScopedTestCameras cams("640x480,720x480");
  Station s;
  s.Select(0);
  capture::ElementRef first_source = s.source.MemberFilter();
  capture::CaptureGraph* first_graph = s.graph.CaptureGraphBuilder();
  ASSERT_TRUE(first_source);
  GstState state = GST_STATE_VOID_PENDING;
  gst_element_get_state(first_source.get(), &state, nullptr, 0);
  EXPECT_EQ(state, GST_STATE_PLAYING);

  // A member added to the new graph sees the old device already closed.
  struct Watcher : TGraphComponent {
    ~Watcher() override { SetFilterGraph(nullptr); }
    capture::ElementRef MemberFilter() const override { return {}; }
    std::string MemberName() const override { return "Watcher"; }
    void NotifyMember(TMemberStage stage, int) override {
      if (stage != TMemberStage::Adding || !old) return;
      gst_element_get_state(old, &seen, nullptr, 0);
      parented = GST_OBJECT_PARENT(old) != nullptr;
    }
    GstElement* old = nullptr;
    GstState seen = GST_STATE_VOID_PENDING;
    bool parented = true;
  } watcher;
  watcher.old = first_source.get();
  watcher.SetFilterGraph(&s.graph);

  s.Select(1);
  EXPECT_EQ(watcher.seen, GST_STATE_NULL);
  EXPECT_FALSE(watcher.parented);
  EXPECT_FALSE(s.source.MemberFilter() == first_source);
  (void)first_graph;
  TBitmap bitmap;
  s.grabber.GrabFrame(bitmap);
  EXPECT_EQ(bitmap.Width(), 720);
}

TEST(CaptureSelection, VanishedDeviceIsInterfaceNotSupportedAndStalls) {
  ScopedTestCameras cams("640x480,720x480");
  Station s;
  ScopedTestCameras fewer("640x480");
  try {
    s.Select(1);
    ADD_FAILURE() << "no error";
  } catch (const EIntfCastError& e) {
    EXPECT_STREQ(e.what(), "Interface not supported");
  }
  EXPECT_TRUE(s.graph.Active());
  TBitmap bitmap;
  EXPECT_FALSE(s.grabber.GrabFrame(bitmap));
  // A camera that is listed but cannot be opened ends the same way.
  ScopedTestCameras broken("640x480", "640x480=no-element");
  EXPECT_THROW(s.Select(0), EIntfCastError);
}

TEST(CaptureSelection, CameraFailingWhilePreviewingKeepsAStillPictureAndCanBeChosenAgain) {
  ScopedTestCameras cams("640x480", "640x480=error-after:5");
  Station s;
  std::vector<std::int32_t> events;
  bool on_gui_thread = true;
  s.graph.OnDSEvent = [&](std::int32_t code, std::intptr_t, std::intptr_t) {
    events.push_back(code);
    on_gui_thread = on_gui_thread && QThread::currentThread() == qApp->thread();
  };
  s.Select(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events.empty(); }, 10000));
  EXPECT_EQ(events.front(), capture::EC_ERRORABORT);
  EXPECT_TRUE(on_gui_thread);
  TBitmap still;
  EXPECT_TRUE(s.grabber.GrabFrame(still));
  EXPECT_TRUE(s.preview.ShowsFrame());

  // Choosing it again rebuilds the graph, which runs until the fault again.
  events.clear();
  s.Select(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events.empty(); }, 10000));
}

// Frames are made at the size shown, never converted at the camera's size
// for the screen: 404 x 303 as the control starts, 539 x 303 once it has
// taken a 16:9 camera's shape.
TEST(CapturePreview, DrawsTheLatestFrameStretchedOverItsRectangle) {
  ScopedTestCameras cams("1280x720");
  Station s;
  QImage before = s.preview.grab().toImage();
  EXPECT_EQ(before.pixel(10, 10), QColor(Qt::blue).rgb());
  s.Select(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return s.preview.FramesShown() >= 3; }, 10000));
  EXPECT_EQ(s.preview.PictureSize(), QSize(404, 303));
  // The control moves and grows; the picture follows it and fills it.
  s.preview.setGeometry(-156, 8, 539, 303);
  QImage after = s.preview.grab().toImage();
  EXPECT_EQ(after.size(), QSize(539, 303));
  EXPECT_TRUE(QTest::qWaitFor([&] { return s.preview.PictureSize() == QSize(539, 303); }, 10000));
  int blue = 0;
  for (int x = 0; x < after.width(); x += 20) {
    for (int y = 0; y < after.height(); y += 20) blue += after.pixel(x, y) == QColor(Qt::blue).rgb();
  }
  EXPECT_LT(blue, 5);
  ShutdownPreview(s.graph);
  EXPECT_FALSE(s.preview.ShowsFrame());
  EXPECT_FALSE(s.graph.Active());
}

}  // namespace
}  // namespace vantora::testing
