#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QMimeData>

#include "app/id_number.h"
#include "tests/app/main_window_fixture.h"

namespace vantora {
namespace {

using testing::MainWindowTest;
using namespace std::string_literals;

TEST(IdEntryRules, NormalisationTrimsControlBytesAndUpperCasesAsciiOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"11010519491231002x", "11010519491231002X"},
      {"  \t12x\r\n", "12X"},
      {"\x01\x1f 12 \x20", "12"},
      {"\x7f" "1\x7f", "\x7f" "1\x7f"},          // DEL is above the blank
      {"a b", "A B"},                           // inner blanks stay
      {"张x\xA0", "张X\xA0"},                   // bytes of 0x80 and above stay
      {"", ""},
      {" \t ", ""},
      {"\0" "12"s, "12"},
  };
  for (const auto& [text, id] : cases) EXPECT_EQ(NormaliseId(text), id) << text;
}

TEST(IdEntryRules, OnlyFifteenOrEighteenBytesPass) {
  for (std::size_t n = 0; n <= 20; ++n) {
    EXPECT_EQ(HasValidIdLength(std::string(n, '1')), n == 15 || n == 18) << n;
  }
  EXPECT_TRUE(HasValidIdLength("张三张三张三"));  // 18 bytes, whatever they are
}

TEST(IdEntryRules, TheLengthMessageIsAnInformationBox) {
  testing::ScriptedPrompter prompter;
  ShowIdLengthMessage();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Information");
  EXPECT_EQ(prompter.Boxes()[0].text, "请输入15或18位身份证号！");
  EXPECT_EQ(prompter.Boxes()[0].buttons, std::vector<MsgButton>{MsgButton::OK});
}

TEST(IdEntryRules, ClipboardTextGivesTheThirtyBytesAfterPhoto) {
  const std::string forty(40, '7');
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"photo110105194912310021", "110105194912310021"},
      {"photo" + forty, std::string(30, '7')},
      {"photo", ""},
      {"Photo123", std::nullopt},
      {" photo123", std::nullopt},
      {"phot", std::nullopt},
      {"", std::nullopt},
      {"photo12x", "12x"},
      {"photo12\0" "34"s, "12"},
      {"\0photo12"s, std::nullopt},
      {"photo1\r\n2", "1\r\n2"},
  };
  for (const auto& [text, id] : cases) EXPECT_EQ(ClipboardIdText(text), id) << text;
}

class IdEntry : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Show();
    main->Edit1->setFocus();
  }
  std::string Box() const { return main->Edit1Text(); }
  void Clip(const QString& text) { QGuiApplication::clipboard()->setText(text); }
};

TEST_F(IdEntry, SeventeenDigitsAndATypedXEndWithACapitalX) {
  QTest::keyClicks(main->Edit1, "11010519491231002x");
  EXPECT_EQ(Box(), "11010519491231002X");
}

TEST_F(IdEntry, LettersBlanksAndChineseNeverReachTheBox) {
  Type(QString::fromUtf8("1a Z张,-2\t3.Xx"));
  EXPECT_EQ(Box(), "123.XX");
  QTest::keyClick(main->Edit1, Qt::Key_Backspace);
  QTest::keyClick(main->Edit1, Qt::Key_Return);
  EXPECT_EQ(Box(), "123.X");
  QTest::keyClick(main->Edit1, Qt::Key_Home);  // keys that type nothing work as ever
  QTest::keyClick(main->Edit1, Qt::Key_Delete);
  EXPECT_EQ(Box(), "23.X");
}

TEST_F(IdEntry, ControlChordsDoNothingInTheBox) {
  main->SetEdit1Text("123");
  Clip("999");
  main->Edit1->selectAll();
  for (QKeySequence::StandardKey chord : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo}) {
    QKeySequence keys(chord);
    QTest::keyClick(main->Edit1, keys[0].key(), keys[0].keyboardModifiers());
  }
  QTest::keyClick(main->Edit1, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Box(), "123");
}

TEST_F(IdEntry, InputMethodTextPassesTheSameFilter) {
  QInputMethodEvent compose(QString::fromUtf8("张"), {});
  QApplication::sendEvent(main->Edit1, &compose);
  EXPECT_EQ(Box(), "");
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("张1三2"));
  QApplication::sendEvent(main->Edit1, &commit);
  EXPECT_EQ(Box(), "12");
}

// The cut itself is tested above; here, that the notice reaches the box.
TEST_F(IdEntry, ClipboardTextStartingWithPhotoReplacesTheBox) {
  const std::pair<QString, std::string> cases[] = {
      {"photo110105194912310021", "110105194912310021"},
      {" photo123", "keep"},
      {"photo", ""},
      {QString::fromUtf8("photo张三"), "张三"},
  };
  for (const auto& [clip, box] : cases) {
    main->SetEdit1Text("keep");
    Clip(clip);
    EXPECT_EQ(Box(), box) << clip.toStdString();
  }
}

TEST_F(IdEntry, ALowerCaseXFromTheClipboardWaitsForTheNextKeyRelease) {
  Clip("photo11010519491231002x");
  EXPECT_EQ(Box(), "11010519491231002x");
  QTest::keyClick(main->Edit1, Qt::Key_Shift);
  EXPECT_EQ(Box(), "11010519491231002X");
}

TEST_F(IdEntry, ClipboardWithoutTextOrWithOddBytesNeverHurts) {
  main->SetEdit1Text("keep");
  QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
  EXPECT_EQ(Box(), "keep");

  auto* raw = new QMimeData;
  raw->setData("text/plain", QByteArray("photo12\xff\xfe" "34\0" "56", 11));
  QGuiApplication::clipboard()->setMimeData(raw);
  EXPECT_EQ(Box().substr(0, 2), "12");
  EXPECT_EQ(Box().find('5'), std::string::npos);  // cut at the zero byte

  Clip(QString("photo") + QString(1 << 20, u'9'));
  EXPECT_EQ(Box(), std::string(30, '9'));
  Clip("photo12\n34");
  EXPECT_EQ(NormaliseId(Box()).substr(0, 2), "12");
}

}  // namespace
}  // namespace vantora
