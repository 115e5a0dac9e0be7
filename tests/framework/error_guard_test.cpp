#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "framework/error_guard.h"
#include "framework/scripted_prompter.h"
#include "framework/startup_guard.h"

namespace vantora {
namespace {

TEST(FrameworkErrorBox, AppendsAPeriodOnlyAfterBytesAboveIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"abc", "abc."},   {"abc!", "abc!"},     {"abc.", "abc."},     {"", ""},
      {"why?", "why?."}, {"code 10061", "code 10061."}, {"a-", "a-"}, {"a/", "a/."},
      {"失败", "失败."}, {"line\n", "line\n"}, {"($80004005).", "($80004005)."},
  };
  for (auto [text, shown] : cases) EXPECT_EQ(WithFinalPeriod(text), shown) << text;
}

TEST(FrameworkErrorBox, AnEscapingErrorIsShownAndTheRestOfTheHandlerSkipped) {
  testing::ScriptedPrompter prompter;
  bool restRan = false;
  Guarded([&] {
    throw std::runtime_error("abc");
    restRan = true;
  });
  EXPECT_FALSE(restRan);
  Guarded([] { throw std::runtime_error("abc!"); });
  Guarded([] { throw EAbort(); });
  Guarded([] { throw 42; });
  ASSERT_EQ(prompter.Boxes().size(), 3u);
  const MessageBoxRequest& box = prompter.Boxes()[0];
  EXPECT_EQ(box.caption, "Vantora");
  EXPECT_EQ(box.text, "abc.");
  EXPECT_EQ(box.icon, MsgIcon::Stop);
  EXPECT_EQ(box.buttons, std::vector<MsgButton>{MsgButton::OK});
  EXPECT_EQ(prompter.Boxes()[1].text, "abc!");
  EXPECT_EQ(prompter.Boxes()[2].text, "Unknown error.");
}

TEST(FrameworkErrorBox, AGuardedSlotKeepsWorkingAfterAnError) {
  testing::ScriptedPrompter prompter;
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, &button, GuardedSlot([&](bool) {
                     ++clicks;
                     throw std::runtime_error("click " + std::to_string(clicks));
                   }));
  button.click();
  button.click();
  EXPECT_EQ(clicks, 2);
  ASSERT_EQ(prompter.Boxes().size(), 2u);
  EXPECT_EQ(prompter.Boxes()[1].text, "click 2.");
}

// A handler that is not wired through Guarded still reaches the box: the
// application object catches what escapes an event. (Unwinding through Qt's
// own input dispatch can leak its bookkeeping, so this is only a backstop
// and the test uses an event of its own.)
class ThrowingWidget : public QWidget {
 public:
  int events = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QWidget::event(e);
    ++events;
    throw std::runtime_error("key handler failed");
  }
};

TEST(FrameworkErrorBox, TheApplicationCatchesWhatEscapesAnyEvent) {
  testing::ScriptedPrompter prompter;
  ThrowingWidget widget;
  QEvent first(QEvent::User);
  QEvent second(QEvent::User);
  QCoreApplication::sendEvent(&widget, &first);
  QCoreApplication::sendEvent(&widget, &second);
  EXPECT_EQ(widget.events, 2);
  ASSERT_EQ(prompter.Boxes().size(), 2u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Vantora");
  EXPECT_EQ(prompter.Boxes()[0].text, "key handler failed.");
}

class ESampleGrabberMissing : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

TEST(FrameworkStartup, AnErrorWhileCreatingEndsTheProgramWithAnApplicationErrorBox) {
  testing::ScriptedPrompter prompter;
  bool ran = false;
  int code = RunStartup([] { throw ESampleGrabberMissing("The SampleGrabber Filter is not available on this system"); },
                        [&] {
                          ran = true;
                          return 0;
                        });
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(ran);
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Application Error");
  EXPECT_EQ(prompter.Boxes()[0].icon, MsgIcon::Stop);
  EXPECT_EQ(prompter.Boxes()[0].text,
            "ESampleGrabberMissing: The SampleGrabber Filter is not available on this system.");

  EXPECT_EQ(RunStartup([] {}, [] { return 7; }), 7);
  EXPECT_EQ(prompter.Boxes().size(), 1u);
}

}  // namespace
}  // namespace vantora
