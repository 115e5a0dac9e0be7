// The FTP batch upload dialog's list, chooser and button states through its
// real controls. The runs against a server are in sc_form_ftp_test.cpp.
#include <QPushButton>
#include <QTest>

#include <QLineEdit>

#include "tests/upload/dialog_fixture.h"
#include "framework/string_grid.h"
#include "upload/net_form.h"
#include "upload/sc_form.h"

namespace vantora::testing {
namespace {

class ScFormTest : public DialogTest {
 protected:
  TScForm& Show() {
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    return form;
  }

  // Adds one file through "添加照片" with the chooser answering `path`.
  void Add(const std::string& path) {
    prompter.AnswerNextFile(path);
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  }

  // The grid as text, row by row: "1|/a.jpg|;2|/b.jpg|;|||" (header left out).
  std::string Rows() const {
    std::string text;
    for (int row = 1; row < form.sg->RowCount(); ++row) {
      for (int column = 0; column < form.sg->ColCount(); ++column) {
        text += form.sg->Cell(column, row) + (column + 1 < form.sg->ColCount() ? "|" : ";");
      }
    }
    return text;
  }

  TScForm form;
};

TEST_F(ScFormTest, ControlsSitAtTheirPlacesWithTheirCaptions) {
  EXPECT_EQ(form.windowTitle().toStdString(), "照片上传");
  EXPECT_EQ(form.size(), QSize(485, 219));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(form.font().family().toStdString(), "宋体");
  EXPECT_EQ(form.font().pixelSize(), 13);
  const Placed places[] = {
      {form.sg, QRect(8, 8, 468, 169), nullptr},
      {form.BitBtn3, QRect(8, 184, 97, 25), "清空文件清单"},
      {form.BitBtn1, QRect(112, 184, 75, 25), "添加照片"},
      {form.BitBtn2, QRect(192, 184, 75, 25), "上传照片"},
      {form.BitBtn4, QRect(272, 184, 75, 25), "返回"},
  };
  for (const Placed& p : places) {
    EXPECT_EQ(p.widget->geometry(), p.geometry) << p.widget->objectName().toStdString();
    if (p.caption) {
      EXPECT_EQ(static_cast<QPushButton*>(p.widget)->text().toStdString(), p.caption);
    }
  }
  EXPECT_FALSE(form.BitBtn2->isEnabled());
  Show();
  form.BitBtn2->setEnabled(true);
  // The grid is one tab stop: Tab leaves it rather than moving between cells.
  ExpectTabOrder(form, {form.BitBtn1, form.sg, form.BitBtn2, form.BitBtn3, form.BitBtn4});
  form.reject();
  EXPECT_EQ(form.sg->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(form.sg->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(ScFormTest, EveryShowResetsTheGridToItsHeaderAndOneEmptyRow) {
  EXPECT_EQ(form.sg->ColCount(), 2);  // as created
  for (int show = 0; show < 2; ++show) {
    Show();
    EXPECT_EQ(form.sg->ColCount(), 3);
    EXPECT_EQ(form.sg->RowCount(), 2);
    EXPECT_EQ(form.sg->ColWidth(0), 50);
    EXPECT_EQ(form.sg->ColWidth(1), 330);
    EXPECT_EQ(form.sg->ColWidth(2), 70);
    EXPECT_EQ(form.sg->Cell(0, 0), "序号");
    EXPECT_EQ(form.sg->Cell(1, 0), "照片文件");
    EXPECT_EQ(form.sg->Cell(2, 0), "备注");
    EXPECT_EQ(form.sg->Row(), 1);
    EXPECT_EQ(form.sg->currentColumn(), 0);
    EXPECT_EQ(Rows(), "||;");
    Add("/photos/a.jpg");
    Add("/photos/b.jpg");
    form.sg->SetCell(2, 1, "上传成功");
    form.reject();
  }
}

TEST_F(ScFormTest, AddingTakesTheChosenPathAsItIsAndNumbersTheRows) {
  Show();
  Add("/photos/1.jpg");
  ASSERT_EQ(prompter.FileRequests().size(), 1u);
  EXPECT_EQ(prompter.FileRequests()[0].title, "考生照片文件");
  EXPECT_EQ(prompter.FileRequests()[0].filter, "JPEG Image File (*.jpg)|*.jpg");
  EXPECT_FALSE(prompter.FileRequests()[0].mustExist);  // a typed name of a missing file is taken
  EXPECT_TRUE(prompter.FileRequests()[0].picturePreview);
  Add("/nowhere/不存在 的.jpg");
  Add("/photos/1.jpg");  // the same file twice is sent twice
  EXPECT_EQ(Rows(), "1|/photos/1.jpg|;2|/nowhere/不存在 的.jpg|;3|/photos/1.jpg|;||;");
  EXPECT_TRUE(form.BitBtn2->isEnabled());

  // A cancelled chooser changes nothing.
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(form.sg->RowCount(), 5);
  EXPECT_EQ(prompter.FileRequests().size(), 4u);
  EXPECT_TRUE(prompter.Boxes().empty()) << BoxTexts();
}

TEST_F(ScFormTest, UploadButtonFollowsAddAndClearButNotTheShow) {
  Show();
  EXPECT_FALSE(form.BitBtn2->isEnabled());
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);  // cancelled
  EXPECT_FALSE(form.BitBtn2->isEnabled());
  Add("/photos/1.jpg");
  EXPECT_TRUE(form.BitBtn2->isEnabled());
  QTest::mouseClick(form.BitBtn3, Qt::LeftButton);
  EXPECT_EQ(Rows(), "||;");
  EXPECT_FALSE(form.BitBtn2->isEnabled());
  Add("/photos/2.jpg");
  EXPECT_EQ(Rows(), "1|/photos/2.jpg|;||;");  // numbering starts again after a clear
  QTest::mouseClick(form.BitBtn4, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  // Shown again: the list is gone, "上传照片" stays enabled.
  Show();
  EXPECT_EQ(Rows(), "||;");
  EXPECT_TRUE(form.BitBtn2->isEnabled());
}

TEST_F(ScFormTest, EnterInEitherDialogPressesNoButtonButAFocusedOne) {
  TNetForm net;
  UserInfo.fip = "192.0.2.7";
  Show();
  Add("/photos/1.jpg");
  // Enter where a typed line or the list has the focus: the dialog stays,
  // nothing is stored and the chooser is not asked again. A button that has
  // the focus is pressed.
  const std::tuple<QDialog*, QWidget*, bool> cases[] = {{&net, net.Edit1, true},
                                                        {&net, net.Edit2, true},
                                                        {&net, net.Edit3, true},
                                                        {&form, form.sg, true},
                                                        {&form, form.BitBtn4, false}};
  for (const auto& [dialog, focus, staysOpen] : cases) {
    dialog->show();
    QApplication::setActiveWindow(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    net.Edit1->setText("10.9.9.9");
    focus->setFocus(Qt::TabFocusReason);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(focus, key);
    EXPECT_EQ(dialog->isVisible(), staysOpen) << focus->objectName().toStdString();
    dialog->hide();
  }
  EXPECT_EQ(UserInfo.fip, "192.0.2.7");           // "设置" was not pressed
  EXPECT_EQ(prompter.FileRequests().size(), 1u);  // nor "添加照片"
}

TEST(BareFileNameTest, IsThePartAfterTheLastSeparator) {
  EXPECT_EQ(BareFileName("/a/b/photo.jpg"), "photo.jpg");
  EXPECT_EQ(BareFileName("photo.jpg"), "photo.jpg");
  EXPECT_EQ(BareFileName("/a/b/"), "");
  EXPECT_EQ(BareFileName("/a/c:photo.jpg"), "c:photo.jpg");  // ":" separates nothing here
}

}  // namespace
}  // namespace vantora::testing
