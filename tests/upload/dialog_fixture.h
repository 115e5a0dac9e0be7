#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "framework/scripted_prompter.h"
#include "pub/pub.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {

// One settings file per test, an empty record in memory and every box and
// chooser scripted.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserInfo = TUserInfo{};
    // Clears what an earlier test's failed load left behind.
    LoadUserInfo();
  }

  std::string BoxTexts() const {
    std::string texts;
    for (const MessageBoxRequest& box : prompter.Boxes()) texts += "[" + box.caption + ": " + box.text + "]";
    return texts;
  }

  TempDir dir;
  ScopedEnv env{"VANTORA_REGISTRY", (dir / "registry.reg").c_str()};
  ScriptedPrompter prompter;
};

// Walks the tab order with the Tab key from the first control of `chain`;
// the window must be shown.
inline void ExpectTabOrder(QWidget& window, const std::vector<QWidget*>& chain) {
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  chain.front()->setFocus(Qt::TabFocusReason);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    EXPECT_EQ(QApplication::focusWidget(), chain[i]) << "tab stop " << i;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(QApplication::focusWidget(), chain.front()) << "the cycle closes";
}

// One control's designed place and caption.
struct Placed {
  QWidget* widget;
  QRect geometry;
  const char* caption;  // nullptr: no caption to check
};

}  // namespace vantora::testing
