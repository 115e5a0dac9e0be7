// A system without the GStreamer plugins the grabber needs: the station must
// refuse to start with the fixed message, and say which element is missing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <gst/gst.h>

#include "app/main_window.h"
#include "app/station.h"
#include "framework/scripted_prompter.h"
#include "framework/startup_guard.h"
#include "capture/sample_grabber.h"
#include "capture/sys_dev_enum.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {
namespace {

TEST(CaptureStartupCheck, MissingGrabberElementsStopTheStart) {
  try {
    TSampleGrabber grabber;
    FAIL() << "the grabber was made without its elements";
  } catch (const ESampleGrabberUnavailable& e) {
    EXPECT_STREQ(e.what(), "The SampleGrabber Filter is not available on this system.");
    EXPECT_EQ(e.MissingElement(), "capsfilter");
  }
}

TEST(CaptureStartupCheck, TestCamerasWithoutPluginsAreListedButCannotOpen) {
  setenv("VANTORA_TEST_CAMERAS", "640x480", 1);
  TSysDevEnum devices;
  ASSERT_EQ(devices.DeviceCount(), 1);
  auto moniker = devices.DeviceMoniker(0);
  ASSERT_TRUE(moniker);
  EXPECT_FALSE(moniker->BindToElement());
}

// The window comes first and GStreamer after it, so the check can only fail
// once the window is on the screen: the window leaves it again, the box
// shows alone, and the program ends with code 1 as a failed start does.
// Nothing of the first show's work comes before: no settings file is made,
// no settings error is told, no photo folder is made.
TEST(CaptureStartupCheck, TheStationShowsTheApplicationErrorAndEnds) {
  struct Case {
    const char* name;
    const char* settings;  // the settings file's text; none when null
  };
  const Case cases[] = {{"no settings file yet", nullptr},
                        {"settings that fail to load", "\"fport\"=dword:00000015\n"}};
  bool fresh = !gst_is_initialized();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const auto settings = dir / "registry.reg";
    if (c.settings) {
      std::ofstream(settings, std::ios::binary) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n" << c.settings;
    }
    std::filesystem::create_directory(dir / "config");
    std::ofstream(dir / "config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"" << (dir / "pictures").string() << "\"\n";
    ScopedEnv registry("VANTORA_REGISTRY", settings.c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());

    QWidget* main = nullptr;
    bool window_visible_at_box = false;
    WatchingPrompter prompter([&](const MessageBoxRequest&) { window_visible_at_box |= main && main->isVisible(); });
    TStation station;
    bool shown = false;
    int rc = RunStartup([&] { CreateStation(station); },
                        [&] {
                          // Building the windows started nothing of GStreamer.
                          if (fresh) {
                            EXPECT_FALSE(gst_is_initialized());
                          }
                          main = station.Main.get();
                          // A start that never ends fails the test, not the run.
                          QTimer::singleShot(20000, main, [] { QCoreApplication::exit(2); });
                          shown = true;
                          return ShowAndRunStation(station);
                        });
    fresh = false;
    EXPECT_TRUE(shown);
    EXPECT_EQ(rc, 1);
    EXPECT_FALSE(station.Main->isVisible());
    EXPECT_FALSE(window_visible_at_box);
    ASSERT_EQ(prompter.Boxes().size(), 1u);
    EXPECT_EQ(prompter.Boxes()[0].caption, "Application Error");
    EXPECT_NE(prompter.Boxes()[0].text.find("The SampleGrabber Filter is not available on this system."),
              std::string::npos)
        << prompter.Boxes()[0].text;
    EXPECT_TRUE(station.Main->Devices->actions().isEmpty());
    EXPECT_EQ(std::filesystem::exists(settings), c.settings != nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir / "pictures"));
  }
}

}  // namespace
}  // namespace vantora::testing

int main(int argc, char** argv) {
  // An empty plugin folder and a registry of its own: GStreamer then knows
  // no element at all. This must happen before anything starts GStreamer.
  auto dir = std::filesystem::temp_directory_path() /
             ("vantora-no-plugins-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  setenv("GST_PLUGIN_SYSTEM_PATH_1_0", dir.c_str(), 1);
  setenv("GST_PLUGIN_PATH_1_0", dir.c_str(), 1);
  setenv("GST_REGISTRY_1_0", (dir / "registry.bin").c_str(), 1);
  setenv("GST_REGISTRY", (dir / "registry.bin").c_str(), 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::filesystem::remove_all(dir);
  return rc;
}
