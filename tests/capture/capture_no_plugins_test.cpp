// A system without the GStreamer plugins the grabber needs: the station must
// refuse to start with the fixed message, and say which element is missing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <QApplication>

#include "app/station.h"
#include "framework/scripted_prompter.h"
#include "framework/startup_guard.h"
#include "sample_grabber.h"
#include "sys_dev_enum.h"

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

TEST(CaptureStartupCheck, TheStationShowsTheApplicationErrorAndDoesNotRun) {
  ScriptedPrompter prompter;
  TStation station;
  bool ran = false;
  int rc = RunStartup([&] { CreateStation(station); },
                      [&] {
                        ran = true;
                        return 0;
                      });
  EXPECT_EQ(rc, 1);
  EXPECT_FALSE(ran);
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Application Error");
  EXPECT_NE(prompter.Boxes()[0].text.find("The SampleGrabber Filter is not available on this system."),
            std::string::npos)
      << prompter.Boxes()[0].text;
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
