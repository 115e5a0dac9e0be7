// Ownership of the capture graph: an operator switches cameras many times in
// a day, so every graph a selection releases must really go, with its
// elements, pads, last frames and file descriptors.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <iostream>

#include "capture/platform/capture_graph.h"
#include "tests/capture/finalisation_watch.h"
#include "imaging/graphics.h"
#include "tests/capture/test_cameras.h"
#include "tests/capture/test_station.h"

// Freed memory waits in AddressSanitizer's quarantine before it is reused;
// a small quarantine keeps the resident size meaningful for this test.
extern "C" __attribute__((used)) const char* __asan_default_options() {
  return "quarantine_size_mb=16";
}

namespace vantora::testing {
namespace {

// Chooses a device, watches everything of its graph, and lets frames flow
// through it before the next choice releases it.
void SelectAndWatch(Station& s, FinalisationWatch& watch, int index) {
  s.Select(index);
  watch.WatchGraph(s.graph.CaptureGraphBuilder()->Pipeline());
  watch.WatchBuffersInto(s.preview.MemberFilter().get());
  TBitmap frame;
  ASSERT_TRUE(WaitUntil([&] { return s.grabber.GrabFrame(frame); })) << "device " << index;
  QCoreApplication::processEvents();
}

TEST(CaptureOwnership, ReleasedGraphsLeaveNoObjectFrameOrDescriptorBehind) {
  constexpr int kSelections = 200;
  // One-time set-up (plugins, thread pools) is done by then; both counts are
  // taken with the 1280x720 camera running.
  constexpr int kWarmUp = 21;
  ScopedTestCameras cams("640x480,1280x720");
  FinalisationWatch watch;
  // Measured while a graph runs, at the same point of a selection.
  int fds_after_warm_up = 0, fds_at_end = 0;
  long rss_after_warm_up = 0, rss_at_end = 0;
  {
    Station s;
    ASSERT_EQ(s.devices.DeviceCount(), 2);
    for (int i = 0; i < kSelections; ++i) {
      ASSERT_NO_FATAL_FAILURE(SelectAndWatch(s, watch, i % 2)) << "selection " << i;
      if (i == kWarmUp) {
        fds_after_warm_up = OpenFileDescriptors();
        rss_after_warm_up = ResidentKiB();
      }
      if (i == kSelections - 1) {
        fds_at_end = OpenFileDescriptors();
        rss_at_end = ResidentKiB();
      }
    }
    ShutdownPreview(s.graph);
    QCoreApplication::processEvents();
  }
  const bool all_gone = WaitUntil([&] { return watch.Live() == 0; });
  EXPECT_TRUE(all_gone) << watch.Live() << " of " << watch.Watched()
                        << " objects outlived their graph:\n"
                        << watch.LiveReport();
  const int fds_closed = OpenFileDescriptors();
  std::cout << "selections " << kWarmUp << " -> " << kSelections << ": " << watch.Watched()
            << " objects watched, " << watch.Live() << " alive; fds " << fds_after_warm_up
            << " -> " << fds_at_end << " (" << fds_closed << " after closing); resident "
            << rss_after_warm_up << " KiB -> " << rss_at_end << " KiB\n";
  EXPECT_EQ(fds_at_end, fds_after_warm_up);
  EXPECT_LT(fds_closed, fds_at_end);
  // One leaked 1280x720 frame alone is 2.7 MB; the bound leaves room for
  // the allocator's own caches, far below one leaked frame per selection.
  EXPECT_LT(rss_at_end - rss_after_warm_up, 48 * 1024);
}

// The cameras that build their picture late (a mode list: the branch is
// made once the mode is known) or paint it (the coded grid) go as wholly.
TEST(CaptureOwnership, CamerasWithModesOrAGridLeaveNothingBehind) {
  ScopedTestCameras cams("350x262:grid,1280x720:modes=yuyv640x480@30+mjpg1280x720@30");
  FinalisationWatch watch;
  {
    Station s;
    for (int i = 0; i < 10; ++i) ASSERT_NO_FATAL_FAILURE(SelectAndWatch(s, watch, i % 2)) << "selection " << i;
    ShutdownPreview(s.graph);
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(WaitUntil([&] { return watch.Live() == 0; }))
      << watch.Live() << " of " << watch.Watched() << " objects outlived their graph:\n"
      << watch.LiveReport();
}

}  // namespace
}  // namespace vantora::testing
