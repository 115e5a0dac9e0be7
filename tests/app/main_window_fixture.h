#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <fstream>
#include <memory>

#include "app/main_window.h"
#include "pub/pub.h"
#include "framework/scripted_prompter.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {

// A main window over a settings file of its own, with every box scripted.
// The window is made by Make() so a test can prepare the file first.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserInfo = TUserInfo{};
    // Clears what an earlier test's failed load left behind.
    ScopedEnv clean("VANTORA_REGISTRY", (dir / "clean.reg").c_str());
    LoadUserInfo();
  }

  void WriteSettings(const std::string& values) {
    std::ofstream(dir / "registry.reg", std::ios::binary)
        << "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n" << values << "\n";
  }

  TMain& Make() {
    main = std::make_unique<TMain>();
    return *main;
  }

  TMain& Show() {
    if (!main) Make();
    main->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    return *main;
  }

  // Types `text` into the ID box key by key, as the keyboard would: any
  // character, Chinese included (QTest::keyClicks takes ASCII only).
  void Type(const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, main->Edit1, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }

  // Root's photos go to the pictures folder, never beside the program: one of the test's own.
  static std::string WithOwnPicturesFolder(const TempDir& dir) {
    Spit(dir / "user-dirs.dirs", "XDG_PICTURES_DIR=\"" + (dir / "Pictures").string() + "\"\n");
    return dir.Path().string();
  }

  TempDir dir;
  ScopedEnv env{"VANTORA_REGISTRY", (dir / "registry.reg").c_str()};
  ScopedEnv pictures{"XDG_CONFIG_HOME", WithOwnPicturesFolder(dir).c_str()};
  ScopedEnv record{"VANTORA_UPLOAD_RECORD", (dir / "uploads.sqlite").c_str()};
  ScriptedPrompter prompter;
  std::unique_ptr<TMain> main;
};

}  // namespace vantora::testing
