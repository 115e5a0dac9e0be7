#include <build_config.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "app/dm.h"
#include "app/face_guide_live.h"
#include "app/station.h"
#include "framework/image_control.h"
#include "tests/app/main_window_fixture.h"
#include "upload/net_form.h"
#include "upload/sc_form.h"

namespace vantora {
namespace {

using testing::MainWindowTest;

QColor Colour(QWidget* w) { return w->palette().color(QPalette::Window); }

// The point at the centre of `w`, in the coordinates of its window. Pointer
// motion goes to the window, which finds the control under it as a real
// pointer's would.
QPoint CentreOf(QWidget* w) { return w->mapTo(w->window(), w->rect().center()); }

TEST_F(MainWindowTest, EveryControlSitsAtItsPlace) {
  TMain& m = Make();
  struct Place {
    QWidget* w;
    QWidget* parent;
    QRect geometry;
  };
  const Place places[] = {
      {m.Label1, m.Client, {6, 325, 59, 14}},      {m.Edit1, m.Client, {72, 320, 166, 24}},
      {m.BitBtn1, m.Client, {248, 320, 50, 25}},   {m.BitBtn2, m.Client, {304, 320, 50, 25}},
      {m.BitBtn4, m.Client, {360, 320, 50, 25}},   {m.BitBtn3, m.Client, {416, 320, 50, 25}},
      {m.VideoPanel, m.Client, {8, 0, 228, 316}},  {m.AVCapture1, m.VideoPanel, {-8, 8, 404, 303}},
      {m.PhotoPanel, m.Client, {248, 0, 228, 315}}, {m.Image1, m.PhotoPanel, {0, 8, 228, 303}},
      {m.Panel1, m.PhotoPanel, {24, 40, 185, 113}}, {m.Image2, m.Panel1, {80, 8, 105, 105}},
      {m.PT, m.VideoPanel, {31, 23, 166, 1}},      {m.PB, m.VideoPanel, {50, 120, 129, 1}},
      {m.Pb1, m.VideoPanel, {50, 160, 129, 1}},    {m.PR, m.VideoPanel, {6, 230, 215, 1}},
      {m.PL, m.VideoPanel, {114, 90, 1, 95}},      {m.Pl1, m.VideoPanel, {85, 110, 1, 25}},
      {m.Pl2, m.VideoPanel, {143, 110, 1, 25}},    {m.VideoT, m.Client, {7, 5, 230, 1}},
      {m.VideoB, m.Client, {7, 312, 230, 1}},      {m.VideoL, m.Client, {6, 5, 1, 308}},
      {m.VideoR, m.Client, {237, 5, 1, 308}},      {m.PhotoT, m.Client, {247, 5, 230, 1}},
      {m.PhotoB, m.Client, {247, 312, 230, 1}},    {m.PhotoL, m.Client, {246, 5, 1, 308}},
      {m.PhotoR, m.Client, {477, 5, 1, 308}},
  };
  for (const Place& p : places) {
    ASSERT_NE(p.w, nullptr);
    EXPECT_EQ(p.w->parentWidget(), p.parent) << p.w->objectName().toStdString();
    EXPECT_EQ(p.w->geometry(), p.geometry) << p.w->objectName().toStdString();
  }
  // The client area starts below the menu bar and holds every control.
  EXPECT_EQ(m.Client->y(), m.MainMenu1->height());
  EXPECT_GE(m.Client->height(), 345);
  EXPECT_GE(m.Client->width(), 478);
  EXPECT_TRUE(m.Image1->Stretch());
  EXPECT_FALSE(m.Image2->Stretch());
}

TEST_F(MainWindowTest, CaptionSizeFontsAndColoursAreTheDesigned) {
  TMain& m = Make();
  EXPECT_EQ(m.windowTitle().toStdString(), "Vantora V2014年6月20日  ");
  // The outer 493 x 405 counts a 4-pixel border and a 19-pixel caption.
  EXPECT_EQ(m.width() + 8, 493);
  EXPECT_EQ(m.height() + 8 + 19, 405);
  EXPECT_FALSE(m.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(m.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(m.windowFlags() & Qt::WindowSystemMenuHint);

  EXPECT_EQ(m.font().family(), "MS Sans Serif");
  EXPECT_EQ(m.font().pixelSize(), 11);
  for (QWidget* w : std::initializer_list<QWidget*>{m.Label1, m.BitBtn1, m.BitBtn2, m.BitBtn3}) {
    EXPECT_EQ(w->font().family(), QString::fromUtf8("宋体")) << w->objectName().toStdString();
    EXPECT_EQ(w->font().pixelSize(), 14);
  }
  EXPECT_EQ(m.BitBtn4->font().family(), "MS Sans Serif");
  EXPECT_EQ(m.Edit1->font().pixelSize(), 16);
  EXPECT_EQ(m.Edit1->palette().color(QPalette::Text), QColor(Qt::blue));
  EXPECT_EQ(m.Label1->text().toStdString(), "身份证号");
  EXPECT_EQ(m.BitBtn1->text().toStdString(), "拍照");
  EXPECT_EQ(m.BitBtn2->text().toStdString(), "保存");
  EXPECT_EQ(m.BitBtn4->text().toStdString(), "上传");
  EXPECT_EQ(m.BitBtn3->text().toStdString(), "退出");

  EXPECT_EQ(Colour(m.AVCapture1), QColor(0, 0, 255));
  for (QWidget* line : {m.PT, m.PR, m.PL, m.Pl1, m.Pl2}) EXPECT_EQ(Colour(line), QColor(Qt::white));
  for (QWidget* line : {m.PB, m.Pb1}) EXPECT_EQ(Colour(line), QColor(255, 251, 240));
  const std::initializer_list<QWidget*> photoFrame = {m.PhotoT, m.PhotoB, m.PhotoL, m.PhotoR};
  for (QWidget* line : {m.VideoT, m.VideoB, m.VideoL, m.VideoR}) EXPECT_EQ(Colour(line), QColor(200, 200, 200));
  for (QWidget* line : photoFrame) EXPECT_EQ(Colour(line), QColor(200, 200, 200));
  Show();
  for (QWidget* line : photoFrame) EXPECT_EQ(Colour(line), QColor(150, 150, 150));
  for (QWidget* line : {m.VideoT, m.VideoB, m.VideoL, m.VideoR}) EXPECT_EQ(Colour(line), QColor(200, 200, 200));
}

TEST_F(MainWindowTest, MenusCarryTheirItemsAndHiddenOnesStayWired) {
  TMain& m = Make();
  QList<QAction*> bar = m.MainMenu1->actions();
  ASSERT_EQ(bar.size(), 4);
  EXPECT_EQ(bar[0]->text().toStdString(), "视频来源");
  EXPECT_EQ(bar[1]->text().toStdString(), "设置");
  EXPECT_EQ(bar[2], m.N7);
  EXPECT_EQ(bar[3], m.N8);  // "补传照片 (n)", after the designed menus
  EXPECT_TRUE(m.Devices->actions().isEmpty());  // no device on a test machine
  EXPECT_EQ(m.N5->actions(), (QList<QAction*>{m.N2, m.N4, m.FaceCheck, m.N6, m.N1, m.N3}));
  EXPECT_TRUE(m.N1->isSeparator());
  EXPECT_TRUE(m.N2->isVisible() && m.N4->isVisible() && m.FaceCheck->isVisible());
  for (QAction* hidden : {m.N6, m.N1, m.N3, m.N7}) EXPECT_FALSE(hidden->isVisible());
  EXPECT_EQ(m.N7->text().toStdString(), "照片上传");
  EXPECT_EQ(m.N3->text().toStdString(), "网络参数设置");

  EXPECT_FALSE(m.N4->isChecked());
  Show();
  EXPECT_TRUE(m.N4->isChecked());
  m.N4->trigger();  // "照片标记" does not toggle itself
  EXPECT_TRUE(m.N4->isChecked());
  EXPECT_TRUE(m.N6->isChecked());
  m.N6->trigger();  // hidden, yet wired: it flips its own mark, once
  EXPECT_FALSE(m.N6->isChecked());
  m.N6Click();
  EXPECT_TRUE(m.N6->isChecked());
}

// "人脸检查": on by default, its own value in the settings file (written only
// when the operator changes it), and disabled, with no box, where the
// cascades cannot be loaded.
TEST_F(MainWindowTest, TheFaceCheckItemIsRememberedOnItsOwnAndDisabledWithoutCascades) {
  WriteSettings("\"fuser\"=\"123\"");
  const auto settings = [this] {
    std::ifstream file(dir / "registry.reg");
    return std::string((std::istreambuf_iterator<char>(file)), {});
  };
  const std::string before = settings();
  const auto loaded = [this] { return main->FaceGuide && (main->FaceGuide->Detector() || !main->FaceCheck->isEnabled()); };
  {
    TMain& m = Show();
    ASSERT_TRUE(QTest::qWaitFor(loaded, 10000));
    EXPECT_TRUE(m.FaceCheck->isEnabled() && m.FaceCheck->isChecked());
    EXPECT_EQ(settings(), before);
    m.FaceCheck->trigger();
    EXPECT_FALSE(m.FaceCheck->isChecked());
    EXPECT_NE(settings().find("\"FaceCheck\"=dword:00000000"), std::string::npos);
    EXPECT_NE(settings().find("\"fuser\"=\"123\""), std::string::npos);
  }
  main.reset();
  {
    TMain& m = Show();
    ASSERT_TRUE(QTest::qWaitFor(loaded, 10000));
    EXPECT_TRUE(m.FaceCheck->isEnabled());
    EXPECT_FALSE(m.FaceCheck->isChecked());
    EXPECT_FALSE(m.FaceHint->isVisible());
  }
  main.reset();
  testing::ScopedEnv noCascades("VANTORA_FACE_CASCADES", (dir / "none").c_str());
  TMain& m = Show();
  ASSERT_TRUE(QTest::qWaitFor(loaded, 10000));
  EXPECT_FALSE(m.FaceCheck->isEnabled() || m.FaceCheck->isChecked());
  EXPECT_TRUE(prompter.Boxes().empty());
}

TEST_F(MainWindowTest, OnlyExitIsEnabledAtStart) {
  TMain& m = Show();
  EXPECT_FALSE(m.BitBtn1->isEnabled());
  EXPECT_FALSE(m.BitBtn2->isEnabled());
  EXPECT_FALSE(m.BitBtn4->isEnabled());
  EXPECT_TRUE(m.BitBtn3->isEnabled());
}

TEST_F(MainWindowTest, GuideLinesFollowThePointerOverTakePhotoAndTheBareSurface) {
  TMain& m = Show();
  auto guideLines = {m.PT, m.PB, m.Pb1, m.PR, m.PL, m.Pl1, m.Pl2};
  auto allShown = [&] {
    return std::all_of(guideLines.begin(), guideLines.end(), [](QWidget* l) { return l->isVisible(); });
  };
  auto allHidden = [&] {
    return std::none_of(guideLines.begin(), guideLines.end(), [](QWidget* l) { return l->isVisible(); });
  };
  EXPECT_TRUE(allHidden());
  QTest::mouseMove(m.windowHandle(), CentreOf(m.BitBtn1));  // disabled: nothing appears
  EXPECT_TRUE(allHidden());

  m.BitBtn1->setEnabled(true);  // as after a video source was chosen
  QTest::mouseMove(m.windowHandle(), CentreOf(m.BitBtn1) + QPoint(1, 0));
  EXPECT_TRUE(allShown());
  for (QWidget* over : {m.AVCapture1, static_cast<QWidget*>(m.Image1), static_cast<QWidget*>(m.Edit1),
                        static_cast<QWidget*>(m.BitBtn3), static_cast<QWidget*>(m.Label1)}) {
    QTest::mouseMove(m.windowHandle(), CentreOf(over));
    EXPECT_TRUE(allShown()) << over->objectName().toStdString();
  }
  // The strip between the two picture frames is bare window surface.
  QTest::mouseMove(m.windowHandle(), m.Client->mapTo(&m, QPoint(241, 150)));
  EXPECT_TRUE(allHidden());
}

TEST_F(MainWindowTest, TheVideoWindowHoldsFocusFirstAndTabSkipsDisabledButtons) {
  TMain& m = Show();
  m.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
  EXPECT_EQ(QApplication::focusWidget(), m.AVCapture1);
  auto cycle = [&](int steps) {
    std::vector<QWidget*> seen;
    for (int i = 0; i < steps; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      seen.push_back(QApplication::focusWidget());
    }
    return seen;
  };
  EXPECT_EQ(cycle(4), (std::vector<QWidget*>{m.BitBtn3, m.Edit1, m.AVCapture1, m.BitBtn3}));
  m.AVCapture1->setFocus();
  for (QPushButton* b : {m.BitBtn1, m.BitBtn2, m.BitBtn4}) b->setEnabled(true);
  EXPECT_EQ(cycle(6), (std::vector<QWidget*>{m.BitBtn1, m.BitBtn2, m.BitBtn3, m.Edit1, m.BitBtn4, m.AVCapture1}));
  for (QWidget* none : {m.VideoPanel, m.PhotoPanel, static_cast<QWidget*>(m.Label1),
                        static_cast<QWidget*>(m.Image1), static_cast<QWidget*>(m.MainMenu1)}) {
    EXPECT_EQ(none->focusPolicy() & Qt::TabFocus, 0) << none->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, ShowLoadsTheSettingsFillsTheBoxAndForcesTheFtpServer) {
  std::filesystem::create_directory(dir / "photos");
  WriteSettings("\"fip\"=\"10.9.9.9\"\n\"fuser\"=\"11010519491231002X\"\n\"PhotoPath\"=\"" +
                (dir / "photos").string() + "\"");
  TMain& m = Show();
  EXPECT_EQ(m.Edit1Text(), "11010519491231002X");
  EXPECT_EQ(m.PhotoPath, (dir / "photos").string());
  EXPECT_EQ(UserInfo.fip, VANTORA_FTP_SERVER);
  EXPECT_EQ(UserInfo.PhotoPath, (dir / "photos").string());
  EXPECT_TRUE(prompter.Boxes().empty());
  // Only the record in memory is forced; the next save writes it.
  std::ifstream file(dir / "registry.reg");
  std::string text((std::istreambuf_iterator<char>(file)), {});
  EXPECT_NE(text.find("10.9.9.9"), std::string::npos);
}

TEST_F(MainWindowTest, FirstRunShowsAnEmptyBoxAndUsesTheProgramFolder) {
  TMain& m = Show();
  EXPECT_EQ(m.Edit1Text(), "");
  EXPECT_EQ(m.PhotoPath, ::getuid() == 0 ? (dir / "Pictures" / "Vantora").string() : ProgramFolder());
  EXPECT_EQ(UserInfo.PhotoPath, "");
}

TEST_F(MainWindowTest, ASettingsErrorAtShowSkipsTheRestAndTheWindowStillShows) {
  WriteSettings("\"fip\"=\"10.9.9.9\"\n\"fport\"=dword:00000015\n\"fuser\"=\"123\"");
  TMain& m = Make();
  m.SetEdit1Text("kept");
  Show();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Vantora");
  // No period: the text ends with a quote, which sorts below ".".
  EXPECT_EQ(prompter.Boxes()[0].text, "Invalid data type for 'fport'");
  EXPECT_EQ(prompter.Boxes()[0].icon, MsgIcon::Stop);
  EXPECT_EQ(UserInfo, TUserInfo{});  // fip not forced either
  EXPECT_EQ(m.PhotoPath, "");
  EXPECT_EQ(m.Edit1Text(), "kept");
  EXPECT_TRUE(m.N4->isChecked());  // the steps before the load ran
  EXPECT_TRUE(m.isVisible());
}

TEST_F(MainWindowTest, ChoosingThePhotoFolderStoresOnlyAnExistingFolder) {
  std::filesystem::create_directory(dir / "first");
  std::ofstream(dir / "a-file") << "x";
  TMain& m = Show();
  prompter.AnswerNextFolder((dir / "first").string());
  m.N2->trigger();
  ASSERT_EQ(prompter.FolderTitles().size(), 1u);
  EXPECT_EQ(prompter.FolderTitles()[0], "请选择照片路径");
  EXPECT_EQ(m.PhotoPath, (dir / "first").string());
  EXPECT_EQ(LoadUserInfo().PhotoPath, (dir / "first").string());
  EXPECT_EQ(LoadUserInfo().fip, VANTORA_FTP_SERVER);  // the forced address went with it

  for (std::string answer : {std::string(), (dir / "a-file").string(), (dir / "gone").string()}) {
    prompter.AnswerNextFolder(answer);
    m.N2Click();
    EXPECT_EQ(m.PhotoPath, (dir / "first").string()) << answer;
    EXPECT_EQ(LoadUserInfo().PhotoPath, (dir / "first").string()) << answer;
  }
  EXPECT_TRUE(prompter.Boxes().empty());
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndLeavesTheClipboard) {
  TMain& m = Show();
  QTest::mouseClick(m.BitBtn3, Qt::LeftButton);
  EXPECT_FALSE(m.isVisible());
  QGuiApplication::clipboard()->setText("photo123456789012345");
  EXPECT_EQ(m.Edit1Text(), "");
}

TEST_F(MainWindowTest, HiddenItemsShowTheirDialogsModally) {
  TMain& m = Show();
  TNetForm net;
  TScForm sc;
  m.AttachDialogs(&net, &sc);
  m.move(120, 90);
  for (auto [item, dialog] : {std::pair<QAction*, QDialog*>{m.N3, &net}, {m.N7, &sc}}) {
    bool wasModal = false;
    QPoint centre;
    QTimer::singleShot(0, [&, d = dialog] {
      wasModal = QApplication::activeModalWidget() == d && d->isVisible();
      centre = d->frameGeometry().center();
      d->reject();
    });
    item->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(dialog->isVisible());
    // Centred on the main window, not on the screen (within the few pixels
    // of a frame that is unknown until the dialog is first shown).
    EXPECT_LE((centre - m.frameGeometry().center()).manhattanLength(), 4)
        << dialog->windowTitle().toStdString() << " at " << centre.x() << "," << centre.y() << " main at "
        << m.frameGeometry().center().x() << "," << m.frameGeometry().center().y();
  }
}

TEST_F(MainWindowTest, StartUpCreatesTheFourObjectsWithTheDialogsHidden) {
  TStation station;
  CreateStation(station);
  ASSERT_TRUE(station.Main && station.Database && station.NetForm && station.ScForm);
  EXPECT_FALSE(station.Main->isVisible());
  EXPECT_FALSE(station.NetForm->isVisible());
  EXPECT_FALSE(station.ScForm->isVisible());
  EXPECT_TRUE(prompter.Boxes().empty());
}

}  // namespace
}  // namespace vantora
