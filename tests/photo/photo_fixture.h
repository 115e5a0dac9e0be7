#pragma once
// A main window with test cameras and a photo folder of its own, for the
// take / save / upload tests.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <string>

#include "app/main_window.h"
#include "capture/sample_grabber.h"
#include "framework/image_control.h"
#include "imaging/graphics.h"
#include "tests/app/main_window_fixture.h"
#include "tests/capture/test_cameras.h"

namespace vantora::testing {

class PhotoRoadTest : public MainWindowTest {
 protected:
  static constexpr char kCameras[] = "640x480,320x240,1280x720,176x144";
  enum Camera { k640x480, k320x240, k1280x720, k176x144 };

  // Shows the window with `folder` stored as the photo folder.
  TMain& ShowWithPhotoFolder(const std::filesystem::path& folder) {
    WriteSettings("\"PhotoPath\"=\"" + folder.string() + "\"");
    return Show();
  }

  // Chooses a camera and waits until its first frame has reached the grabber.
  void Choose(Camera camera) {
    main->Devices->actions().at(camera)->trigger();
    ASSERT_TRUE(main->BitBtn1->isEnabled());
    TBitmap probe;
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->SampleGrabber->GrabFrame(probe); }, 10000));
  }

  // The texts of the boxes shown since the last call.
  std::vector<std::string> TakeBoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : prompter.Boxes()) texts.push_back(box.text);
    prompter.Clear();
    return texts;
  }

  const TBitmap& PhotoView() { return main->Image1->Picture().Bitmap(); }

  ScopedTestCameras cameras{kCameras};
  TempDir photos;
};

}  // namespace vantora::testing
