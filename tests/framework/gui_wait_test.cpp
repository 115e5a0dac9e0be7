#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "framework/gui_wait.h"

namespace vantora {
namespace {

void PostClick(QWidget* target) {
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QCoreApplication::postEvent(target, new QMouseEvent(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
  }
}

// While a long operation lets the loop turn, the guarded window repaints and
// runs what is posted, but takes no input, no close and no handler; what
// was queued meanwhile never acts afterwards.
TEST(FrameworkGuiWait, TheLoopTurnsWhileTheWindowTakesNothing) {
  QWidget window;
  QWidget other;
  auto* button = new QPushButton("b", &window);
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  window.show();
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  bool previousHookCalled = false;
  std::function<void()> hook = [&] { previousHookCalled = true; };
  bool posted = false;
  {
    TGuiWait wait(window, hook);
    EXPECT_TRUE(TGuiWait::Active(window));
    EXPECT_TRUE(TGuiWait::Active(*button));
    EXPECT_FALSE(TGuiWait::Active(other));
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QMetaObject::invokeMethod(&window, [&] { posted = true; }, Qt::QueuedConnection);
    QTest::mouseClick(button, Qt::LeftButton);
    PostClick(button);
    EXPECT_FALSE(window.close());
    hook();  // what the operation's waits call
    EXPECT_TRUE(posted);
    EXPECT_FALSE(previousHookCalled);
    PostClick(button);  // still queued when the wait ends
  }
  EXPECT_FALSE(TGuiWait::Active(window));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 0);
  hook();
  EXPECT_TRUE(previousHookCalled);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(window.close());
}

}  // namespace
}  // namespace vantora
