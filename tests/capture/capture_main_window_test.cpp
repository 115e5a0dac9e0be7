// The main window's capture side with the in-process test cameras: the
// source menu, choosing devices, the preview layout, faults and closing.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <utility>

#include "app/main_window.h"
#include "capture/platform/capture_graph.h"
#include "capture/direct_show_error.h"
#include "capture/filter.h"
#include "capture/filter_graph.h"
#include "capture/sample_grabber.h"
#include "capture/video_window.h"
#include "tests/capture/finalisation_watch.h"
#include "framework/image_control.h"
#include "imaging/graphics.h"
#include "tests/app/main_window_fixture.h"
#include "tests/capture/test_cameras.h"

namespace vantora::testing {
namespace {

class CaptureMainWindowTest : public MainWindowTest {
 protected:
  QAction* Item(int k) { return main->Devices->actions().at(k); }
  QRect PreviewBounds() { return main->AVCapture1->geometry(); }
};

TEST_F(CaptureMainWindowTest, MenuListsEachCameraAndEachChoiceLaysOutItsPreview) {
  ScopedTestCameras cams("640x480,720x480,1280x720");
  TMain& m = Show();
  ASSERT_EQ(m.Devices->actions().size(), 3);
  const char* names[] = {"Vantora Test Camera 640x480", "Vantora Test Camera 720x480",
                         "Vantora Test Camera 1280x720"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Item(k)->text().toStdString(), names[k]);
    EXPECT_EQ(Item(k)->data().toInt(), k);
    EXPECT_FALSE(Item(k)->isCheckable());
  }
  EXPECT_FALSE(m.BitBtn1->isEnabled());
  EXPECT_EQ(PreviewBounds(), QRect(-8, 8, 404, 303));

  struct Case {
    int tag;
    QRect preview;
    QSize frame;
  };
  const Case cases[] = {{0, {-88, 8, 404, 303}, {640, 480}},
                        {1, {-113, 8, 454, 303}, {720, 480}},
                        {2, {-156, 8, 539, 303}, {1280, 720}},
                        {0, {-88, 8, 404, 303}, {640, 480}}};
  capture::ElementRef previous;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    Item(c.tag)->trigger();
    EXPECT_TRUE(prompter.Boxes().empty());
    EXPECT_TRUE(m.BitBtn1->isEnabled());
    EXPECT_EQ(PreviewBounds(), c.preview);
    EXPECT_EQ(m.Image2->size(), c.frame);
    EXPECT_EQ(m.GrabBitmap->Width(), c.frame.width());
    // Every choice builds a new graph with a new device source.
    capture::ElementRef source = m.Filter->MemberFilter();
    ASSERT_TRUE(source);
    EXPECT_FALSE(source == previous);
    previous = source;
  }
  TBitmap frame;
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.SampleGrabber->GrabFrame(frame); }, 10000));
  EXPECT_EQ(frame.Width(), 640);
  EXPECT_EQ(frame.BytesPerLine(), 1920);
}

// The window goes on the screen before GStreamer starts, and the source menu
// is complete by the time the operator's first input reaches the window:
// here a key that comes before the loop has turned once. The key still acts.
TEST_F(CaptureMainWindowTest, TheMenuIsCompleteBeforeTheFirstInputReachesTheWindow) {
  ScopedTestCameras cams("640x480,720x480");
  TMain& m = Make();
  m.show();
  EXPECT_TRUE(m.Devices->actions().isEmpty());  // the start waits for the loop
  struct Recorder : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::KeyPress && items < 0) items = static_cast<int>(menu->actions().size());
      return false;
    }
    QMenu* menu = nullptr;
    int items = -1;
  } recorder;
  recorder.menu = m.Devices;
  m.Edit1->installEventFilter(&recorder);
  QTest::keyClick(m.Edit1, Qt::Key_1);
  EXPECT_EQ(recorder.items, 2);
  EXPECT_EQ(m.Edit1Text(), "1");
  // The queued start comes later and finds nothing left to do.
  QCoreApplication::processEvents();
  EXPECT_EQ(m.Devices->actions().size(), 2);
  EXPECT_TRUE(prompter.Boxes().empty());
}

// The menu lists only the machine's real cameras when no test camera is
// asked for: none at all where there is no video node.
TEST_F(CaptureMainWindowTest, NoDeviceLeavesTheMenuEmptyAndTakePhotoDisabled) {
  ScopedTestCameras none("");
  TMain& m = Show();
  for (QAction* item : m.Devices->actions()) {
    EXPECT_FALSE(item->text().startsWith("Vantora Test Camera")) << item->text().toStdString();
  }
  if (!MachineHasVideoNodes()) {
    EXPECT_TRUE(m.Devices->actions().isEmpty());
  }
  EXPECT_FALSE(m.BitBtn1->isEnabled());
  m.close();
  EXPECT_TRUE(prompter.Boxes().empty());
}

// An operator switching cameras through the menu all day: each choice
// releases the graph before, so descriptors stay where they were.
TEST_F(CaptureMainWindowTest, SwitchingCamerasThroughTheMenuKeepsDescriptorsFlat) {
  ScopedTestCameras cams("640x480,1280x720");
  TMain& m = Show();
  constexpr int kChoices = 41, kWarmUp = 10;  // both counted with the 640x480 camera running
  int fds_after_warm_up = 0;
  for (int i = 0; i < kChoices; ++i) {
    Item(i % 2)->trigger();
    ASSERT_TRUE(prompter.Boxes().empty()) << prompter.Boxes()[0].text;
    ASSERT_EQ(m.GrabBitmap->Width(), i % 2 ? 1280 : 640);
    if (i == kWarmUp) fds_after_warm_up = OpenFileDescriptors();
  }
  EXPECT_EQ(OpenFileDescriptors(), fds_after_warm_up);
}

TEST_F(CaptureMainWindowTest, ClosingBeforeAnySelectionShowsNothing) {
  ScopedTestCameras cams("640x480");
  TMain& m = Show();
  m.close();
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_FALSE(m.FilterGraph->Active());
}

TEST_F(CaptureMainWindowTest, ClosingStopsAndReleasesTheGraph) {
  ScopedTestCameras cams("640x480");
  TMain& m = Show();
  Item(0)->trigger();
  ASSERT_TRUE(m.FilterGraph->Active());
  m.close();
  EXPECT_FALSE(m.FilterGraph->Active());
  EXPECT_FALSE(m.Filter->MemberFilter());
  EXPECT_TRUE(prompter.Boxes().empty());
}

TEST_F(CaptureMainWindowTest, AVanishedDeviceShowsTheErrorAndChangesNothingElse) {
  ScopedTestCameras cams("640x480,720x480");
  TMain& m = Show();
  ScopedTestCameras fewer("640x480");
  Item(1)->trigger();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Vantora");
  EXPECT_EQ(prompter.Boxes()[0].text, "Interface not supported.");
  EXPECT_FALSE(m.BitBtn1->isEnabled());
  EXPECT_EQ(PreviewBounds(), QRect(-8, 8, 404, 303));
  // The camera still there works as before.
  prompter.Clear();
  Item(0)->trigger();
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_EQ(PreviewBounds(), QRect(-88, 8, 404, 303));
}

// A camera that fails while previewing is not shown frozen: its graph is
// released at once, the preview shows no picture, "拍照" says so instead of
// cutting the last frame, and choosing the camera again previews it again.
TEST_F(CaptureMainWindowTest, ACameraFailingWhilePreviewingIsReleasedAndCanBeChosenAgain) {
  ScopedTestCameras cams("720x480", "720x480=error-after:4");
  TMain& m = Show();
  int errors = 0;
  m.FilterGraph->OnDSEvent = [&](std::int32_t code, std::intptr_t, std::intptr_t) {
    errors += code == capture::EC_ERRORABORT;
  };
  Item(0)->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors > 0; }, 10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m.FilterGraph->Active(); }, 10000));
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_TRUE(m.BitBtn1->isEnabled());
  EXPECT_FALSE(static_cast<TVideoWindow&>(*m.AVCapture1).ShowsFrame());
  m.BitBtn1->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, "摄像头没有画面，请检查摄像头后重新选择视频来源。");
  EXPECT_FALSE(m.BitBtn2->isEnabled());
  prompter.Clear();
  Item(0)->trigger();
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_EQ(PreviewBounds(), QRect(-113, 8, 454, 303));
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors > 1; }, 10000));
}

// A choice whose old graph cannot be stopped (a member of the graph fails
// the stop once): the box says so, the old camera goes on previewing, and it
// is still watched, so "拍照" cuts its picture; the next choice works.
TEST_F(CaptureMainWindowTest, AFailedStopLeavesTheOldCameraLiveAndTheNextChoiceWorks) {
  struct RefusesOneStop : TGraphComponent, GraphNotifier {
    ~RefusesOneStop() override { DetachQuietly(); }
    capture::ElementRef MemberFilter() const override { return {}; }
    std::string MemberName() const override { return "RefusesOneStop"; }
    void NotifyMember(TMemberStage, int) override {}
    void OnGraphEvent(std::int32_t, std::intptr_t, std::intptr_t) override {}
    void OnControlEvent(TControlEvent event, int) override {
      if (event == TControlEvent::Stopping && std::exchange(armed, false)) CheckResult(E_FAIL);
    }
    bool armed = false;
  } member;
  ScopedTestCameras cams("640x480,720x480");
  TMain& m = Show();
  member.SetFilterGraph(m.FilterGraph.get());
  Item(0)->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.CameraPictureIsCurrent(); }, 10000));
  member.armed = true;
  Item(1)->trigger();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, "Unspecified error. ($80004005).");
  prompter.Clear();
  m.BitBtn1->click();
  EXPECT_TRUE(prompter.Boxes().empty()) << prompter.Boxes()[0].text;
  EXPECT_TRUE(m.BitBtn2->isEnabled());
  EXPECT_EQ(m.Image2->Picture().Bitmap().Width(), 640);
  Item(1)->trigger();
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_EQ(PreviewBounds(), QRect(-113, 8, 454, 303));
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.CameraPictureIsCurrent(); }, 10000));
}

}  // namespace
}  // namespace vantora::testing
