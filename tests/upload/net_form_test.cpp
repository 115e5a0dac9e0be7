// The network settings dialog through its real controls.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <filesystem>

#include "tests/upload/dialog_fixture.h"
#include "upload/net_form.h"

namespace vantora::testing {
namespace {

class NetFormTest : public DialogTest {
 protected:
  // Shows the dialog the way the menu does (every show runs FormShow).
  TNetForm& Show() {
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    return form;
  }

  void Type(QLineEdit* edit, const char* text) {
    edit->selectAll();
    edit->insert(QString::fromUtf8(text));
  }

  TNetForm form;
};

TEST_F(NetFormTest, ControlsSitAtTheirPlacesWithTheirCaptions) {
  EXPECT_EQ(form.windowTitle().toStdString(), "网络设置");
  EXPECT_EQ(form.size(), QSize(368, 130));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());  // not resizable
  EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form.font().family().toStdString(), "宋体");
  EXPECT_EQ(form.font().pixelSize(), 13);
  EXPECT_EQ(form.GroupBox1->title().toStdString(), "网络参数");
  const Placed places[] = {
      {form.GroupBox1, QRect(8, 8, 353, 81), nullptr},   {form.Edit1, QRect(88, 16, 249, 21), nullptr},
      {form.Edit2, QRect(88, 48, 105, 21), nullptr},     {form.Edit3, QRect(248, 48, 89, 21), nullptr},
      {form.BitBtn1, QRect(8, 96, 75, 25), "设置"},      {form.BitBtn2, QRect(88, 96, 75, 25), "返回"},
  };
  for (const Placed& p : places) {
    EXPECT_EQ(p.widget->geometry(), p.geometry) << p.widget->objectName().toStdString();
    if (p.caption) {
      EXPECT_EQ(static_cast<QPushButton*>(p.widget)->text().toStdString(), p.caption);
    }
  }
  for (auto [label, at, caption] : {std::tuple{form.Label1, QPoint(16, 20), "服务器地址"},
                                    std::tuple{form.Label2, QPoint(40, 52), "用户名"},
                                    std::tuple{form.Label3, QPoint(216, 52), "密码"}}) {
    EXPECT_EQ(label->parentWidget(), form.GroupBox1);
    EXPECT_EQ(label->pos(), at) << caption;
    EXPECT_EQ(label->text().toStdString(), caption);
  }
  EXPECT_EQ(form.Edit1->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(form.Edit2->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.Edit3->echoMode(), QLineEdit::Password);
  for (QLineEdit* masked : {form.Edit2, form.Edit3}) {
    EXPECT_EQ(masked->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, masked), '*');
  }
  // Tab order: the three edits in the group, then "设置", then "返回".
  Show();
  ExpectTabOrder(form, {form.Edit1, form.Edit2, form.Edit3, form.BitBtn1, form.BitBtn2});
  form.reject();
}

TEST_F(NetFormTest, ReturnDropsTheEditsAndTheNextShowHasTheHeldValues) {
  UserInfo = {"192.0.2.11", "21", "11010519491231002X", "secret", "/photos"};
  const std::string stored = Slurp(dir / "registry.reg");
  Show();
  EXPECT_EQ(form.Edit1->text().toStdString(), "192.0.2.11");
  EXPECT_EQ(form.Edit2->text().toStdString(), "11010519491231002X");  // the last saved ID
  EXPECT_EQ(form.Edit3->text().toStdString(), "secret");
  Type(form.Edit1, "10.0.0.1");
  Type(form.Edit2, "张三");
  Type(form.Edit3, "x");
  QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(UserInfo, (TUserInfo{"192.0.2.11", "21", "11010519491231002X", "secret", "/photos"}));
  EXPECT_EQ(Slurp(dir / "registry.reg"), stored);  // nothing written

  Show();
  EXPECT_EQ(form.Edit1->text().toStdString(), "192.0.2.11");
  EXPECT_EQ(form.Edit2->text().toStdString(), "11010519491231002X");
  EXPECT_EQ(form.Edit3->text().toStdString(), "secret");
}

TEST_F(NetFormTest, SetStoresTheEditsAsTypedAndWritesTheWholeRecord) {
  struct Case {
    const char* ip;
    const char* user;
    const char* password;
  };
  for (const Case& c : {Case{"10.1.2.3", "张三", " pass word "}, Case{"", "", ""}}) {
    UserInfo = {"192.0.2.11", "2121", "111", "old", "/photos"};
    Show();
    Type(form.Edit1, c.ip);
    Type(form.Edit2, c.user);
    Type(form.Edit3, c.password);
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TUserInfo expected{c.ip, "2121", c.user, c.password, "/photos"};
    EXPECT_EQ(UserInfo, expected);
    EXPECT_EQ(LoadUserInfo(), expected);
  }
  EXPECT_TRUE(prompter.Boxes().empty()) << BoxTexts();
}

TEST_F(NetFormTest, AFailedWriteGoesToTheErrorBoxAndTheDialogStaysOpen) {
  // A folder where the settings file would go: no write can succeed.
  std::filesystem::remove(dir / "registry.reg");
  std::filesystem::create_directory(dir / "registry.reg");
  UserInfo = {"192.0.2.11", "", "111", "", ""};
  Show();
  Type(form.Edit3, "new");
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Vantora");
  EXPECT_EQ(prompter.Boxes()[0].icon, MsgIcon::Stop);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(UserInfo.fpassword, "new");  // the record in memory was already changed
  form.reject();
}

}  // namespace
}  // namespace vantora::testing
