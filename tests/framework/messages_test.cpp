#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "framework/hourglass.h"
#include "framework/messages.h"
#include "framework/qt_prompter.h"

namespace vantora {
namespace {

using B = MsgButton;

struct BoxCase {
  MsgDlgType type;
  std::initializer_list<MsgButton> buttons;
  const char* caption;
  MsgIcon icon;
  MsgButton enter;
  MsgButton escape;
};

TEST(FrameworkMessages, CaptionIconAndKeysFollowTheKindAndButtons) {
  const BoxCase cases[] = {
      {MsgDlgType::Information, {B::OK}, "Information", MsgIcon::Information, B::OK, B::OK},
      {MsgDlgType::Confirmation, {B::Yes, B::No}, "Confirm", MsgIcon::Question, B::Yes, B::No},
      {MsgDlgType::Error, {B::OK}, "Error", MsgIcon::Stop, B::OK, B::OK},
      {MsgDlgType::Warning, {B::OK, B::Cancel}, "Warning", MsgIcon::Exclamation, B::OK, B::Cancel},
      {MsgDlgType::Confirmation, {B::Yes, B::No, B::Cancel}, "Confirm", MsgIcon::Question, B::Yes, B::Cancel},
      {MsgDlgType::Confirmation, {B::Yes}, "Confirm", MsgIcon::Question, B::Yes, B::None},
  };
  for (const BoxCase& c : cases) {
    MessageBoxRequest r = MessageDlgRequest("text", c.type, c.buttons);
    EXPECT_EQ(r.caption, c.caption);
    EXPECT_EQ(r.icon, c.icon) << c.caption;
    EXPECT_EQ(r.enterButton, c.enter) << c.caption;
    EXPECT_EQ(r.escapeButton, c.escape) << c.caption;
    EXPECT_EQ(r.buttons, std::vector<MsgButton>(c.buttons));
  }
}

// Drives the real box from a timer: reads what it shows, then presses `key`.
struct RealBoxResult {
  QString title, text;
  QStringList buttons;
  QString defaultButton;
  QPoint centre;
  MsgButton answer = MsgButton::None;
};

RealBoxResult RunRealBox(MsgDlgType type, std::initializer_list<MsgButton> buttons, Qt::Key key) {
  RealBoxResult result;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    result.title = box->windowTitle();
    result.text = box->text();
    for (QAbstractButton* b : box->buttons()) result.buttons << b->text();
    if (box->defaultButton()) result.defaultButton = box->defaultButton()->text();
    result.centre = box->geometry().center();
    QTest::keyClick(box, key);
  });
  QtPrompter prompter;
  result.answer = prompter.ShowMessage(MessageDlgRequest("文本", type, buttons));
  return result;
}

TEST(FrameworkMessages, RealBoxShowsTheCaptionsAndAnswersEnterAndEsc) {
  RealBoxResult yes = RunRealBox(MsgDlgType::Confirmation, {B::Yes, B::No}, Qt::Key_Return);
  EXPECT_EQ(yes.title, "Confirm");
  EXPECT_EQ(yes.text, QString::fromUtf8("文本"));
  EXPECT_TRUE(yes.buttons.contains("&Yes") && yes.buttons.contains("&No")) << yes.buttons.join(",").toStdString();
  EXPECT_EQ(yes.defaultButton, "&Yes");
  EXPECT_EQ(yes.answer, B::Yes);

  EXPECT_EQ(RunRealBox(MsgDlgType::Confirmation, {B::Yes, B::No}, Qt::Key_Escape).answer, B::No);
  RealBoxResult ok = RunRealBox(MsgDlgType::Information, {B::OK}, Qt::Key_Escape);
  EXPECT_EQ(ok.answer, B::OK);
  EXPECT_EQ(ok.buttons, QStringList{"OK"});
  QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((ok.centre - screen.center()).manhattanLength(), 4);
}

TEST(FrameworkMessages, FileFiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters("JPEG Image File (*.jpg)|*.jpg"), "JPEG Image File (*.jpg)");
  EXPECT_EQ(QtNameFilters("Pictures|*.jpg;*.png|All|*"), "Pictures (*.jpg *.png);;All (*)");
}

TEST(FrameworkMessages, HourglassCoversTheBlockAndGoesOnEveryPath) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  try {
    THourglass busy;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    throw std::runtime_error("transfer failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vantora
