// The station's unchanged code on USB cameras emulated at the V4L2 level:
// GStreamer's own v4l2 device provider lists them and v4l2src streams from
// them by mmap. One table of real cameras, one of faults, on one emulator.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>

#include "app/main_window.h"
#include "capture/sample_grabber.h"
#include "capture/video_window.h"
#include "tests/usb_camera/camera_scene.h"
#include "tests/usb_camera/coded_picture.h"
#include "capture/platform/capture_graph.h"
#include "capture/platform/device_list.h"
#include "tests/capture/finalisation_watch.h"
#include "framework/application.h"
#include "framework/image_control.h"
#include "app/face_guide_live.h"
#include "guide/face_detector.h"
#include "guide/grey_panel.h"
#include "imaging/graphics.h"
#include "imaging/jpeg_image.h"
#include "tests/app/main_window_fixture.h"
#include "tests/usb_camera/real_cameras.h"
#include "tests/usb_camera/usb_camera_session.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

EmulatedCameras* emulator = nullptr;  // one for the whole program, made in main()

Rgb ToRgb(std::uint32_t rgb) {
  return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
}

class UsbCameraStationTest : public MainWindowTest {
 protected:
  void TearDown() override {
    if (main) main->close();
    for (int camera : plugged_) {
      if (emulator->State(camera).present) emulator->Unplug(camera);
    }
  }

  int Plug(const std::string& name, const std::string& modes, const std::string& port) {
    int camera = emulator->Add(name, modes, port).index;
    plugged_.push_back(camera);
    return camera;
  }

  TMain& ShowWithPhotoFolder() {
    WriteSettings("\"PhotoPath\"=\"" + photos.Path().string() + "\"");
    return Show();
  }

  // The n-th menu item (from 0) with this caption.
  QAction* Item(const std::string& name, int nth = 0) {
    for (QAction* a : main->Devices->actions()) {
      if (a->text().toStdString() == name && nth-- == 0) return a;
    }
    return nullptr;
  }

  TVideoWindow& Preview() { return static_cast<TVideoWindow&>(*main->AVCapture1); }

  // Plugs a camera back in (into `port`, or its own) and waits until the
  // station's GStreamer has heard of it, as an operator waits for a camera
  // to come up.
  std::string PlugBack(int camera, const std::string& port = "") { return Listed(emulator->Plug(camera, port)); }
  std::string Listed(const std::string& node) {
    EXPECT_TRUE(QTest::qWaitFor([&] {
      for (const auto& listed : capture::ListVideoDevices()) {
        if (listed.moniker.Path() == node) return true;
      }
      return false;
    }, 10000)) << node;
    return node;
  }

  // Waits until the preview has drawn a few frames more than before.
  bool LivePreview() {
    const long long before = Preview().FramesShown();
    return QTest::qWaitFor([&] { return Preview().ShowsFrame() && Preview().FramesShown() >= before + 3; }, 10000);
  }

  // "拍照" then "保存" under `id`; the saved file.
  fs::path TakeAndSave(const std::string& id) {
    main->SetEdit1Text(id);
    main->BitBtn1->click();
    main->BitBtn2->click();
    return photos / (id + ".jpg");
  }

  // Reads the coded picture back out of a saved portrait.
  static CodeReading ReadSaved(const fs::path& file, int frame_width, int frame_height) {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(file.string());
    TBitmap saved;
    jpeg.AssignTo(saved);
    return ReadPortrait([&](int x, int y) { return ToRgb(saved.PixelRGB(x, y)); }, saved.Width(), saved.Height(),
                        frame_width, frame_height);
  }

  TempDir photos;
  std::vector<int> plugged_;
};

// --- the cameras ------------------------------------------------------------

TEST_F(UsbCameraStationTest, RealCamerasPreviewInTheChosenModeAndTheirFramesBecomeThePortrait) {
  struct Case {
    RealCamera camera;
    std::uint32_t fourcc_chosen;
    int width, height;
    QRect preview;
  };
  const Case cases[] = {
      {kWebcam720, 0x47504A4D /* MJPG */, 1280, 720, {-156, 8, 539, 303}},
      {kPtzPro1080, 0x56595559 /* YUYV */, 848, 480, {-154, 8, 535, 303}},
      {kYuyvOnly, 0x56595559, 640, 480, {-88, 8, 404, 303}},
  };
  std::vector<int> cameras;
  int port = 1;
  for (const auto& c : cases) cameras.push_back(Plug(c.camera.name, c.camera.modes, std::to_string(port++)));
  ShowWithPhotoFolder();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.camera.source);
    QAction* item = Item(c.camera.name);
    ASSERT_TRUE(item);
    item->trigger();
    EXPECT_TRUE(prompter.Boxes().empty()) << prompter.Boxes()[0].text;
    ASSERT_TRUE(LivePreview());
    const UsbCameraState state = emulator->State(cameras[i]);
    EXPECT_EQ(state.fourcc, c.fourcc_chosen);
    EXPECT_EQ(state.width, c.width);
    EXPECT_EQ(state.height, c.height);
    EXPECT_EQ(state.interval.denominator / state.interval.numerator, 30u);
    EXPECT_EQ(main->AVCapture1->geometry(), c.preview);

    const std::uint32_t before = emulator->State(cameras[i]).last_frame;
    const fs::path file = TakeAndSave("1100" + std::to_string(i));
    const std::uint32_t after = emulator->State(cameras[i]).last_frame;
    ASSERT_TRUE(fs::is_regular_file(file));
    CodeReading reading = ReadSaved(file, c.width, c.height);
    ASSERT_TRUE(reading.frame);
    EXPECT_GT(reading.cells_checked, 40);
    EXPECT_EQ(reading.cells_wrong, 0);
    // The frame at the click: one of the last few the camera sent.
    EXPECT_GE(*reading.frame + 8, before);
    EXPECT_LE(*reading.frame, after);
  }
}

// --- the faults -------------------------------------------------------------

constexpr char kNoPicture[] = "摄像头没有画面，请检查摄像头后重新选择视频来源。";

// Each fault on a camera the operator has chosen (or chooses while it is
// busy): what the station shows, how soon, and that choosing the camera
// again once it is well (back in its port or another, or replaced by a new
// one of the model) previews as before. Run twice, so that the second
// round shows whether the faults left descriptors or objects behind.
TEST_F(UsbCameraStationTest, CameraFaultsShowNoPictureNeverAStalePortraitAndTheCameraComesBack) {
  enum class When { kChoosing, kPreviewing };
  // Where the camera comes back: its own port, another one, or a new camera
  // of the same model in another port (the usual repair at a site).
  enum class Back { kOwnPort, kOtherPort, kNewCamera };
  struct Case {
    const char* fault;
    int frames;
    When when;
    const char* box;  // the error box's text while choosing; none: GStreamer says nothing
    Back back = Back::kOwnPort;
  };
  const Case cases[] = {
      {"busy-format", 0, When::kChoosing, "Device '/dev/video0' is busy ($8004020B)."},
      // Refused by the streaming thread's first format, after the start returned.
      {"busy-first-format", 0, When::kChoosing, "Device '/dev/video0' is busy ($8004020B)."},
      {"busy-stream", 0, When::kChoosing, "Failed to allocate required memory. ($8004020B)."},
      {"stop", 0, When::kChoosing, nullptr},  // streams, but never a frame
      {"unplug", 0, When::kPreviewing, nullptr},
      {"unplug", 0, When::kPreviewing, nullptr, Back::kOtherPort},
      {"unplug", 0, When::kPreviewing, nullptr, Back::kNewCamera},
      {"vanish-after", 3, When::kPreviewing, nullptr},
      {"stop", 0, When::kPreviewing, nullptr},
  };
  FinalisationWatch watch;  // every graph a choice builds must go with the next
  // One camera previewed in MJPG (decoded before the sinks) and one in YUYV
  // (its format reaches the sinks before the device has taken it).
  struct Model {
    const char* name;
    const char* modes;
    int camera;
  } models[] = {{"Vantora USB Webcam", "yuyv640x480@30+mjpg1280x720@30", 0},
                {"Vantora USB VGA Webcam", "yuyv640x480@30", 0}};
  int last_port = 0;
  for (Model& model : models) model.camera = Plug(model.name, model.modes, std::to_string(++last_port));
  ShowWithPhotoFolder();
  int fds_after_first_round = 0;
  for (int pass = 0; pass < 4; ++pass) {
    const int round = pass / 2;
    Model& model = models[pass % 2];
    QAction* item = Item(model.name);
    ASSERT_TRUE(item);
    int& camera = model.camera;
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.fault) + " round " + std::to_string(round) + " " + model.name);
      prompter.Clear();
      const bool photo_enabled_before = main->BitBtn1->isEnabled();
      if (c.when == When::kChoosing) {
        emulator->Fault(camera, c.fault);
        const auto chosen_at = Clock::now();
        item->trigger();
        const auto choice_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - chosen_at);
        std::cout << c.fault << " while choosing: the choice returned after " << choice_ms.count() << " ms\n";
        if (c.box) {
          ASSERT_EQ(prompter.Boxes().size(), 1u);
          EXPECT_EQ(prompter.Boxes()[0].caption, "Vantora");
          std::string box = c.box;  // GStreamer names the camera's node
          if (box.find("/dev/video0") != std::string::npos) box.replace(box.find("/dev/video0"), 11, emulator->State(camera).node);
          EXPECT_EQ(prompter.Boxes()[0].text, box);
          EXPECT_EQ(main->BitBtn1->isEnabled(), photo_enabled_before);
        } else {
          // The graph runs; only waiting for the first frame is bounded.
          EXPECT_TRUE(prompter.Boxes().empty());
          EXPECT_LE(choice_ms, capture::kNegotiationTimeout + std::chrono::seconds(3));
        }
        EXPECT_FALSE(Preview().ShowsFrame());
        prompter.Clear();
        main->BitBtn1Click();  // "拍照" has nothing to cut, enabled or not
        ASSERT_EQ(prompter.Boxes().size(), 1u);
        EXPECT_EQ(prompter.Boxes()[0].text, kNoPicture);
        prompter.Clear();
      } else {
        item->trigger();
        ASSERT_TRUE(LivePreview()) << (prompter.Boxes().empty() ? "" : prompter.Boxes()[0].text);
        watch.WatchGraph(main->FilterGraph->CaptureGraphBuilder()->Pipeline());
        main->BitBtn2->setEnabled(false);
        const auto fault_at = Clock::now();
        if (std::string(c.fault) == "unplug") {
          emulator->Unplug(camera);
        } else {
          emulator->Fault(camera, c.fault, c.frames);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Preview().ShowsFrame(); }, 10000));
        const auto shown_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - fault_at).count();
        std::cout << c.fault << ": the preview shows no picture " << shown_ms << " ms after the fault\n";
        if (!emulator->State(camera).present) {  // a camera that has gone is let go of at once
          EXPECT_TRUE(QTest::qWaitFor([&] { return emulator->State(camera).open_descriptors == 0; }, 1000));
        }
        EXPECT_TRUE(prompter.Boxes().empty());
        // "拍照" makes no portrait of an old picture.
        main->BitBtn1->click();
        ASSERT_EQ(prompter.Boxes().size(), 1u);
        EXPECT_EQ(prompter.Boxes()[0].caption, "Information");
        EXPECT_EQ(prompter.Boxes()[0].text, kNoPicture);
        EXPECT_FALSE(main->BitBtn2->isEnabled());
        prompter.Clear();
        if (std::string(c.fault) == "stop") {  // frames again: the picture comes back by itself
          emulator->Fault(camera, "none");
          EXPECT_TRUE(LivePreview());
        }
      }
      // The camera is well again (plugged back in, free, sending): choosing
      // its item previews as before, no restart.
      const std::string port = std::to_string(++last_port);
      if (c.back == Back::kNewCamera) {
        camera = Plug(model.name, model.modes, port);
        Listed(emulator->State(camera).node);
      } else if (!emulator->State(camera).present) {
        PlugBack(camera, c.back == Back::kOtherPort ? port : "");
      }
      emulator->Fault(camera, "none");
      item->trigger();
      EXPECT_TRUE(prompter.Boxes().empty()) << prompter.Boxes()[0].text;
      ASSERT_TRUE(LivePreview());
      EXPECT_TRUE(main->BitBtn1->isEnabled());
    }
    if (pass == 1) fds_after_first_round = OpenFileDescriptors();
  }
  EXPECT_EQ(OpenFileDescriptors(), fds_after_first_round);
  main->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return watch.Live() == 0; }, 10000))
      << watch.Live() << " of " << watch.Watched() << " objects outlived their graph:\n" << watch.LiveReport();
}

// The camera a grabbed frame came from: each emulated camera codes frame
// numbers of its own, camera k's starting at (k + 1) << 24.
int CameraOfFrame(const TSampleGrabber& grabber) {
  TBitmap frame;
  if (!grabber.GrabFrame(frame)) return -1;
  CodeReading reading = ReadCodedPicture([&](int x, int y) { return ToRgb(frame.PixelRGB(x, y)); }, 0, 0,
                                         frame.Width(), frame.Height(), 48);
  return reading.frame && reading.cells_wrong == 0 ? static_cast<int>(*reading.frame >> 24) - 1 : -1;
}

// Two cameras of one model: two items with one caption, each opening its own
// camera; unplugged and plugged back in the other order, each takes the
// other's old node, and each item still reaches its own camera (by its USB
// port), without a restart.
TEST_F(UsbCameraStationTest, TwoCamerasOfOneModelEachReachTheirOwnAlsoAfterComingBackUnderOtherNodes) {
  constexpr char kTwin[] = "Vantora Twin Webcam";
  const int first = Plug(kTwin, "mjpg1280x720@30+yuyv640x480@30", "1");
  const int second = Plug(kTwin, "mjpg1280x720@30+yuyv640x480@30", "2");
  ShowWithPhotoFolder();
  QAction* items[] = {Item(kTwin, 0), Item(kTwin, 1)};
  ASSERT_TRUE(items[0] && items[1]);
  int camera_of_item[2];
  for (int k = 0; k < 2; ++k) {
    items[k]->trigger();
    ASSERT_TRUE(LivePreview());
    camera_of_item[k] = CameraOfFrame(*main->SampleGrabber);
  }
  EXPECT_EQ(std::set<int>(std::begin(camera_of_item), std::end(camera_of_item)), (std::set<int>{first, second}));

  // Twice: the camera previewed last goes first (the station lets go of its
  // node), and they come back so that each takes the other's node (the
  // lowest free number goes to the one plugged first).
  for (int swap = 0; swap < 2; ++swap) {
    SCOPED_TRACE("swap " + std::to_string(swap));
    const int previewed = CameraOfFrame(*main->SampleGrabber);
    const int other = previewed == first ? second : first;
    const std::string previewed_node = emulator->State(previewed).node, other_node = emulator->State(other).node;
    emulator->Unplug(previewed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return emulator->State(previewed).open_descriptors == 0; }, 10000));
    emulator->Unplug(other);
    const bool previewed_higher = std::stoi(previewed_node.substr(10)) > std::stoi(other_node.substr(10));
    PlugBack(previewed_higher ? previewed : other);
    PlugBack(previewed_higher ? other : previewed);
    ASSERT_EQ(emulator->State(previewed).node, other_node);
    ASSERT_EQ(emulator->State(other).node, previewed_node);
    prompter.Clear();
    for (int k = 0; k < 2; ++k) {
      items[k]->trigger();
      EXPECT_TRUE(prompter.Boxes().empty()) << prompter.Boxes()[0].text;
      ASSERT_TRUE(LivePreview());
      EXPECT_EQ(CameraOfFrame(*main->SampleGrabber), camera_of_item[k]) << "item " << k;
    }
  }
}

// --- the scenes -------------------------------------------------------------

struct FoundFace {
  double centre, top, width;  // frame pixels
};

// The faces the detector finds in a grabbed frame's portrait strip; none
// while the frame is not yet of the scene (the coded picture never has the
// backdrop's colour in its corner).
std::optional<std::vector<FoundFace>> FacesInGrabbedFrame(const TSampleGrabber& grabber,
                                                             const guide::TFaceDetector& detector) {
  TBitmap frame;
  if (!grabber.GrabFrame(frame)) return std::nullopt;
  const Rgb corner = ToRgb(frame.PixelRGB(2, 2));
  if (std::abs(corner.r - kBackdrop.r) + std::abs(corner.g - kBackdrop.g) + std::abs(corner.b - kBackdrop.b) > 24) {
    return std::nullopt;
  }
  const int strip = static_cast<int>(std::lround(frame.Height() * 228.0 / 303)), column = (frame.Width() - strip) / 2;
  const auto panel = guide::GreyPanelOfBitmap(frame, column, strip);
  if (!panel) return std::nullopt;
  const double scale = frame.Height() / 303.0;
  std::vector<FoundFace> faces;
  for (const guide::TBox& b : detector.Find(*panel).faces) {
    faces.push_back({column + (b.x + b.width / 2.0) * scale, b.y * scale, b.width * scale});
  }
  return faces;
}

// A scene reaches the station in the camera's own format and size: the
// detector finds its faces where the scene put them, and a swaying scene
// moves them from frame to frame.
TEST_F(UsbCameraStationTest, ScenesReachTheStationWithTheirFacesWhereTheyWerePut) {
  const auto detector = guide::TFaceDetector::Load();
  if (!detector) GTEST_SKIP() << "no face cascades (opencv-data)";
  struct Case {
    const char* name;
    const char* modes;
    int width, height;
  } cases[] = {{"Vantora Scene Webcam", "yuyv640x480@30+mjpg1280x720@30", 1280, 720},
               {"Vantora Scene VGA Webcam", "yuyv640x480@30", 640, 480}};
  const CameraScene two = CameraScene::Parse("plain face=60,130,56 face=168,150,56");
  int port = 1;
  for (const Case& c : cases) Plug(c.name, c.modes, std::to_string(port++));
  ShowWithPhotoFolder();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const int camera = plugged_[i];
    emulator->Scene(camera, two);
    Item(c.name)->trigger();
    ASSERT_TRUE(LivePreview());
    std::optional<std::vector<FoundFace>> found;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (found = FacesInGrabbedFrame(*main->SampleGrabber, *detector)).has_value(); }, 5000));
    ASSERT_EQ(found->size(), 2u);
    std::sort(found->begin(), found->end(), [](auto& a, auto& b) { return a.centre < b.centre; });
    for (std::size_t k = 0; k < 2; ++k) {
      const FacePlacement want = FaceInFrame(two.faces[k], 0, 0, c.width, c.height);
      EXPECT_NEAR((*found)[k].centre, want.centre, want.width * 0.1) << k;
      // The cascade's box is a little narrower than the face the scene measures.
      EXPECT_NEAR((*found)[k].width, want.width * 0.85, want.width * 0.15) << k;
      EXPECT_LT((*found)[k].top, want.eyes) << k;  // the box's top lies above the eyes, not far
      EXPECT_GT((*found)[k].top, want.eyes - want.width * 0.6) << k;
    }
    // Swaying: the face moves between frames, by up to 20 panel pixels.
    emulator->Scene(camera, CameraScene::Parse("plain sway=20 face=114,140,110"));
    std::set<long> centres;
    EXPECT_TRUE(QTest::qWaitFor([&] {
      found = FacesInGrabbedFrame(*main->SampleGrabber, *detector);
      if (found && found->size() == 1) centres.insert(std::lround(found->front().centre / (c.height / 303.0) / 8));
      return centres.size() >= 3;
    }, 5000)) << centres.size();
  }
}

// --- the face guide, live and at "拍照" ------------------------------------

// The whole path on the station's own code (v4l2src, grabber, the guide's
// worker, the hint) for a camera previewed in MJPG (decoded before the
// grabber) and one in YUYV: each placement of the portrait brings its hint,
// and "拍照" judges its frame the same. Then the item off: no hint, no
// verdict, and the saved photo byte for byte as with the guide on; and a
// camera that stops sending shows no hint.
TEST_F(UsbCameraStationTest, TheLiveHintFollowsThePortraitAndTakingJudgesItsFrameTheSame) {
  if (!guide::TFaceDetector::Load()) GTEST_SKIP() << "no face cascades (opencv-data)";
  using enum guide::TFaceVerdict;
  struct Row {
    const char* placement;
    const char* scene;
    guide::TFaceVerdict verdict;
  };
  const Row rows[] = {
      {"centred, right-sized", "plain sway=3 face=114,140,130", kPositionRight},
      {"left", "plain sway=3 face=60,140,120", kFaceLeft},
      {"right, busy backdrop", "coded sway=3 face=165,140,125", kFaceRight},
      {"high", "plain sway=3 face=114,95,120", kFaceHigh},
      {"low, busy backdrop", "coded sway=3 face=114,190,120", kFaceLow},
      {"too small", "plain sway=3 face=114,140,60", kMoveCloser},
      // Still: moving, a face this close now and then brings the detector
      // to find a second, small "face" in the hair.
      {"too large", "plain face=114,140,185", kMoveBack},
      {"no portrait", "plain", kNoFace},
      {"two side by side", "plain sway=2 face=57,140,56 face=171,140,56", kSeveralFaces},
      {"the test pattern", "coded", kNoFace},
  };
  const char* models[][2] = {{"Vantora Guide Webcam", "yuyv640x480@30+mjpg1280x720@30"},
                             {"Vantora Guide VGA Webcam", "yuyv640x480@30"}};
  for (int port = 1; port <= 2; ++port) Plug(models[port - 1][0], models[port - 1][1], std::to_string(port));
  ShowWithPhotoFolder();
  ASSERT_TRUE(main->FaceCheck->isEnabled() && main->FaceCheck->isChecked());
  auto hint_reads = [&](const char* text) {
    return QTest::qWaitFor([&] { return main->FaceHint->isVisible() && main->FaceHint->text() == text; }, 10000);
  };
  auto verdict = [&] { return main->FaceVerdict->text().toStdString(); };
  for (int m = 0; m < 2; ++m) {
    const int camera = plugged_[m];
    Item(models[m][0])->trigger();
    ASSERT_TRUE(LivePreview());
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(models[m][0]) + ": " + row.placement);
      const char* text = guide::VerdictText(row.verdict);
      emulator->Scene(camera, CameraScene::Parse(row.scene));
      EXPECT_TRUE(hint_reads(text)) << "the hint reads " << main->FaceHint->text().toStdString();
      main->BitBtn1->click();
      EXPECT_EQ(verdict(), text);
    }
  }

  // The item off, on a still scene so that every frame is the same.
  const int camera = plugged_[1];
  emulator->Scene(camera, CameraScene::Parse("plain face=114,140,130"));
  ASSERT_TRUE(hint_reads(guide::VerdictText(kPositionRight)));
  const fs::path with_guide = photos / "with-guide.jpg";
  fs::rename(TakeAndSave("110000"), with_guide);
  EXPECT_EQ(verdict(), guide::VerdictText(kPositionRight));
  main->FaceCheck->trigger();
  ASSERT_FALSE(main->FaceCheck->isChecked());
  const long long shown = main->FaceGuide->JudgementsShown();
  const long long frames = Preview().FramesShown();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Preview().FramesShown() >= frames + 20; }, 10000));
  EXPECT_FALSE(main->FaceHint->isVisible());
  EXPECT_TRUE(main->FaceHint->text().isEmpty());
  EXPECT_EQ(main->FaceGuide->JudgementsShown(), shown);
  EXPECT_EQ(verdict(), "");
  const fs::path without_guide = TakeAndSave("110000");
  EXPECT_EQ(verdict(), "");
  EXPECT_EQ(Slurp(without_guide), Slurp(with_guide));

  // On again; then the camera stops sending: no hint about a picture that is not there.
  main->FaceCheck->trigger();
  ASSERT_TRUE(hint_reads(guide::VerdictText(kPositionRight)));
  emulator->Fault(camera, "stop");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !main->FaceHint->isVisible(); }, 10000));
  EXPECT_TRUE(main->FaceHint->text().isEmpty());
  emulator->Fault(camera, "none");
  EXPECT_TRUE(hint_reads(guide::VerdictText(kPositionRight)));
}

}  // namespace
}  // namespace vantora::testing

int main(int argc, char** argv) {
  vantora::testing::EnterCameraEmulation(argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  vantora::TApplication application(argc, argv);
  vantora::testing::EmulatedCameras cameras;
  vantora::testing::emulator = &cameras;
  return RUN_ALL_TESTS();
}
