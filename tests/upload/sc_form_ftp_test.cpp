// Upload runs of the FTP batch dialog through its real controls against a
// real FTP server (python3-pyftpdlib) and scripted peers on port 21 of
// 127.0.0.1, inside a private network namespace.
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <set>
#include <memory>

#include "tests/upload/dialog_fixture.h"
#include "tests/net/fake_server.h"
#include "framework/gui_wait.h"
#include "framework/string_grid.h"
#include "tests/upload/ftp_peer_process.h"
#include "imaging/graphics.h"
#include "tests/framework/open_descriptors.h"
#include "upload/sc_form.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kAsk[] = "是否上传考生照片？";
constexpr char kDone[] = "上传完成!";
constexpr char kSent[] = "上传成功";
constexpr char kFailed[] = "上传失败";

std::string TestData(const std::string& name) { return std::string(std::getenv("VANTORA_TESTDATA")) + "/" + name; }

struct Size {
  int width;
  int height;
  friend bool operator==(const Size&, const Size&) = default;
};

Size JpegSize(const fs::path& file) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(file.string());
  return {jpeg.Width(), jpeg.Height()};
}

void WriteGreyJpeg(const fs::path& file, int width, int height) {
  TBitmap picture;
  picture.NewDIB24(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < 3 * width; ++x) row[x] = static_cast<std::uint8_t>((x + y) & 0xFF);
  }
  TJPEGImage jpeg;
  jpeg.Assign(picture);
  jpeg.SaveToFile(file.string());
}

class ScFormFtpTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    fs::create_directory(local);
    fs::create_directory(home);
    UserInfo = {"127.0.0.1", "", "tester", "secret", ""};
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  void StartServer() { server = std::make_unique<FtpPeerProcess>(21, home.string(), "tester", "secret"); }

  // A local photo copied from the test data (or made) and added to the list.
  fs::path AddCopy(const std::string& name, const std::string& data) {
    const fs::path file = local / name;
    fs::copy_file(TestData(data), file);
    Add(file.string());
    return file;
  }
  void Add(const std::string& path) {
    prompter.AnswerNextFile(path);
    form.BitBtn1->click();
  }
  void Run(MsgButton answer = MsgButton::Yes) {
    prompter.Clear();
    prompter.AnswerNextBox(answer);
    form.BitBtn2->click();
  }
  std::string Status(int row) const { return form.sg->Cell(2, row); }
  std::vector<std::string> BoxList() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : prompter.Boxes()) texts.push_back(box.caption + ": " + box.text);
    return texts;
  }
  std::vector<std::string> Stored() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(home)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path local = dir / "local";
  fs::path home = dir / "home";
  std::unique_ptr<FtpPeerProcess> server;
  TScForm form;
};

TEST_F(ScFormFtpTest, AMissingFileGetsItsBoxAndTheOthersArriveRescaled) {
  StartServer();
  const fs::path first = AddCopy("a.jpg", "portrait-600x800.jpg");
  const fs::path second = AddCopy("b.jpg", "red-228x303.jpg");
  const fs::path third = AddCopy("c.jpg", "landscape-1024x768.jpg");
  fs::remove(second);
  form.sg->SetCell(2, 2, "earlier");  // what an earlier run left must stay
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(::inotify_add_watch(watch, local.c_str(), IN_OPEN), 0);
  const int openFiles = OpenFileDescriptors();
  Run();
  EXPECT_EQ(OpenFileDescriptors(), openFiles);  // no socket, listener or file left open
  // Each photo is opened once, to be read for the rescale: what is sent is
  // what the rescale wrote, not whatever the path names by then.
  std::multiset<std::string> opened;
  alignas(inotify_event) char events[65536];
  const ssize_t got = ::read(watch, events, sizeof events);
  for (ssize_t at = 0; at < got; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(events + at)->len) {
    opened.insert(reinterpret_cast<inotify_event*>(events + at)->name);
  }
  ::close(watch);
  EXPECT_EQ(opened.count("a.jpg"), 1u);
  EXPECT_EQ(opened.count("c.jpg"), 1u);
  EXPECT_EQ(BoxList(), (std::vector<std::string>{std::string("Confirm: ") + kAsk, "Information: 文件b.jpg不存在!",
                                                 std::string("Information: ") + kDone}));
  EXPECT_EQ(prompter.Boxes()[0].icon, MsgIcon::Question);
  EXPECT_EQ(Status(1), kSent);
  EXPECT_EQ(Status(2), "earlier");
  EXPECT_EQ(Status(3), kSent);
  EXPECT_EQ(Stored(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_EQ(Slurp(home / "a.jpg"), Slurp(first));  // byte for byte as rescaled
  EXPECT_EQ(Slurp(home / "c.jpg"), Slurp(third));
  EXPECT_EQ(JpegSize(home / "a.jpg"), (Size{227, 303}));
  EXPECT_EQ(JpegSize(home / "c.jpg"), (Size{404, 303}));
  EXPECT_FALSE(TGuiWait::Active(form));
  EXPECT_TRUE(form.BitBtn2->isEnabled());
}

TEST_F(ScFormFtpTest, DuringARunRowsShowTheirStatusAsTheyGoAndTheDialogTakesNoInput) {
  StartServer();
  AddCopy("a.jpg", "red-228x303.jpg");
  fs::remove(AddCopy("b.jpg", "red-228x303.jpg"));
  AddCopy("c.jpg", "red-228x303.jpg");
  bool looked = false;
  WatchingPrompter watching([&](const MessageBoxRequest& box) {
    if (box.text != "文件b.jpg不存在!") return;
    looked = true;
    EXPECT_TRUE(TGuiWait::Active(form));
    EXPECT_EQ(Status(1), kSent);  // the first row is done and shown
    EXPECT_EQ(Status(3), "");
    EXPECT_EQ(form.sg->Row(), 2);  // the row in progress is the selected one
    QTest::mouseClick(form.BitBtn3, Qt::LeftButton);  // "清空文件清单": dropped
    QTest::keyClick(&form, Qt::Key_Escape);           // dropped
    form.close();                                     // refused
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.sg->RowCount(), 5);
  });
  watching.AnswerNextBox(MsgButton::Yes);
  form.BitBtn2->click();
  EXPECT_TRUE(looked);
  EXPECT_FALSE(TGuiWait::Active(form));
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.sg->RowCount(), 5);  // nothing queued during the run acted afterwards
  EXPECT_EQ(Status(3), kSent);
  QTest::mouseClick(form.BitBtn3, Qt::LeftButton);  // input is taken again
  EXPECT_EQ(form.sg->RowCount(), 2);
}

TEST_F(ScFormFtpTest, EachPhotoArrivesAtMost303RowsHighWithItsRoundedWidth) {
  StartServer();
  AddCopy("600x800.jpg", "portrait-600x800.jpg");
  AddCopy("1024x768.jpg", "landscape-1024x768.jpg");
  AddCopy("228x303.jpg", "red-228x303.jpg");
  WriteGreyJpeg(local / "453x606.jpg", 453, 606);
  Add((local / "453x606.jpg").string());
  WriteGreyJpeg(local / "455x606.jpg", 455, 606);
  Add((local / "455x606.jpg").string());
  Run();
  const std::pair<const char*, Size> expected[] = {{"600x800.jpg", {227, 303}},
                                                   {"1024x768.jpg", {404, 303}},
                                                   {"228x303.jpg", {228, 303}},
                                                   {"453x606.jpg", {226, 303}},
                                                   {"455x606.jpg", {228, 303}}};
  for (int row = 1; row <= 5; ++row) {
    const auto& [name, size] = expected[row - 1];
    EXPECT_EQ(Status(row), kSent) << name;
    ASSERT_TRUE(fs::exists(home / name)) << name;
    EXPECT_EQ(JpegSize(home / name), size) << name;
    EXPECT_EQ(Slurp(home / name), Slurp(local / name)) << name;
  }
  // A second run sends every file again; numbering goes on after a run.
  Add((local / "228x303.jpg").string());
  EXPECT_EQ(form.sg->Cell(0, 6), "6");
  for (int row = 1; row <= 6; ++row) form.sg->SetCell(2, row, "");
  for (const auto& [name, size] : expected) fs::remove(home / name);
  Run();
  for (int row = 1; row <= 6; ++row) EXPECT_EQ(Status(row), kSent) << row;
  EXPECT_EQ(Stored().size(), 5u);
}

TEST_F(ScFormFtpTest, AnUnreachableServerFailsEveryRowAfterItsOwnAttempt) {
  // Accepts each connection and closes it before any greeting.
  const auto closeAtOnce = [](FakePeer& p) { p.Close(); };
  FakeServer refusing({closeAtOnce, closeAtOnce, closeAtOnce, closeAtOnce}, 21);
  std::vector<std::string> before;
  for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) {
    before.push_back(Slurp(AddCopy(name, "portrait-600x800.jpg")));
  }
  // A missing file's row connects first too, so it fails without its box.
  Add((local / "missing.jpg").string());
  Run();
  EXPECT_TRUE(refusing.Finish());
  EXPECT_EQ(refusing.Accepted(), 4);
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(Status(row), kFailed) << row;
  EXPECT_EQ(BoxList().back(), std::string("Information: ") + kDone);
  EXPECT_EQ(BoxList().size(), 2u);
  EXPECT_EQ(Slurp(local / "1.jpg"), before[0]);  // the connection comes before the file

  // No route at all: every row fails at once, and the run still ends.
  UserInfo.fip = "192.0.2.1";
  for (int row = 1; row <= 4; ++row) form.sg->SetCell(2, row, "");
  Run();
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(Status(row), kFailed) << row;
  EXPECT_EQ(BoxList().back(), std::string("Information: ") + kDone);
}

TEST_F(ScFormFtpTest, ARejectedLoginFailsTheRowsAndRescalesNothing) {
  StartServer();
  UserInfo.fpassword = "wrong";
  const std::string before = Slurp(AddCopy("a.jpg", "portrait-600x800.jpg"));
  AddCopy("b.jpg", "landscape-1024x768.jpg");
  Run();
  EXPECT_EQ(Status(1), kFailed);
  EXPECT_EQ(Status(2), kFailed);
  EXPECT_EQ(Slurp(local / "a.jpg"), before);
  EXPECT_EQ(JpegSize(local / "b.jpg"), (Size{1024, 768}));
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(BoxList().back(), std::string("Information: ") + kDone);

  // The account is read from the settings record at each run.
  UserInfo.fpassword = "secret";
  Run();
  EXPECT_EQ(Status(1), kSent);
  EXPECT_EQ(Status(2), kSent);
  EXPECT_EQ(Stored(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(ScFormFtpTest, NoChangesNothingAndAnEmptyListConnectsToNothing) {
  FakeServer watcher({[](FakePeer& p) {
                       p.Send("421 not now\r\n");
                       p.Close();
                     }},
                     21);
  const std::string before = Slurp(AddCopy("a.jpg", "portrait-600x800.jpg"));
  form.sg->SetCell(2, 1, "earlier");
  Run(MsgButton::No);
  EXPECT_EQ(BoxList(), std::vector<std::string>{std::string("Confirm: ") + kAsk});
  EXPECT_EQ(Status(1), "earlier");
  EXPECT_EQ(Slurp(local / "a.jpg"), before);

  form.BitBtn3->click();  // clear, then close and show: the button stays enabled
  Add((local / "a.jpg").string());
  form.reject();
  form.show();
  ASSERT_TRUE(form.BitBtn2->isEnabled());
  Run();
  EXPECT_EQ(BoxList(), (std::vector<std::string>{std::string("Confirm: ") + kAsk, std::string("Information: ") + kDone}));
  EXPECT_EQ(watcher.Accepted(), 0);
}

TEST_F(ScFormFtpTest, APhotoThatCannotBeSentWholeFailsItsRowAndStaysAsItWas) {
  StartServer();
  const fs::path pipe = local / "pipe.jpg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Each row's file as listed, and the test photo it holds, which must stay as it was.
  const std::pair<std::string, std::string> rows[] = {
      {(local / "corrupt.jpg").string(), "garbage-after-soi.jpg"},
      {pipe.string(), ""},
      {(local / "truncated.jpg").string(), "truncated-640x480.jpg"},  // would arrive half grey
      {(local / "line\nbreak.jpg").string(), "portrait-600x800.jpg"},   // the server could not be told its name
      {(local / "return\r.jpg").string(), "portrait-600x800.jpg"},
      {(local / "nul.jpg").string() + std::string("\0.jpg", 5), "portrait-600x800.jpg"},  // would name nul.jpg
  };
  for (const auto& [listed, data] : rows) {
    if (!data.empty()) fs::copy_file(TestData(data), listed.substr(0, listed.find('\0')));
    Add(listed);
  }
  AddCopy("good.jpg", "red-228x303.jpg");
  Run();
  for (int row = 1; const auto& [listed, data] : rows) {
    EXPECT_EQ(Status(row++), kFailed) << listed;
    const std::string onDisk = listed.substr(0, listed.find('\0'));
    EXPECT_TRUE(data.empty() || Slurp(onDisk) == Slurp(TestData(data))) << onDisk << " was changed";
  }
  EXPECT_EQ(Status(7), kSent);
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_EQ(Stored(), std::vector<std::string>{"good.jpg"});
}

// The dialog's part in every wait for the server: the event loop turns (a
// call posted meanwhile runs) while the row waits, and nothing that arrives
// then acts on the dialog.
TEST_F(ScFormFtpTest, WhileTheServerKeepsARowWaitingTheLoopTurnsAndTheDialogTakesNoInput) {
  const std::string before = Slurp(AddCopy("a.jpg", "portrait-600x800.jpg"));
  std::promise<void> looked;
  std::atomic<bool> greeted{false};
  bool duringWait = false;
  // Runs from a timer started while the client waits for the greeting.
  const auto poke = [&] {
    duringWait = TGuiWait::Active(form) && !greeted;
    QTest::mouseClick(form.BitBtn3, Qt::LeftButton);  // "清空文件清单": dropped
    QCoreApplication::postEvent(form.BitBtn3, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QTest::keyClick(&form, Qt::Key_Escape);  // dropped
    form.close();                            // refused
    // Pressed past the input, as an accessibility tool presses a button:
    // still no second run and no emptied list.
    form.BitBtn2->click();
    form.BitBtn3->click();
    looked.set_value();
  };
  FakeServer slow({[&](FakePeer& p) {
                    // The client now waits for the greeting. What is posted to
                    // the GUI thread runs only if its loop turns meanwhile.
                    QMetaObject::invokeMethod(
                        &form, [&] { QTimer::singleShot(100, &form, poke); }, Qt::QueuedConnection);
                    looked.get_future().wait_for(std::chrono::seconds(5));
                    greeted = true;
                    p.Send("421 Service not available\r\n");
                    p.Close();
                  }},
                  21);
  Run();
  EXPECT_TRUE(slow.Finish());
  EXPECT_TRUE(duringWait) << "nothing posted ran while the row waited";
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.sg->RowCount(), 3);
  EXPECT_EQ(BoxList(), (std::vector<std::string>{std::string("Confirm: ") + kAsk, std::string("Information: ") + kDone}));
  EXPECT_EQ(Status(1), kFailed);
  EXPECT_TRUE(Slurp(local / "a.jpg") == before);
}

}  // namespace
}  // namespace vantora::testing
