// No photo left behind, through the real window: photos saved and uploaded
// while the upload server refuses, drops the packets, or answers 500 stay
// pending, across a restart of the station, until one press of "全部上传"
// in "补传照片" sends them all, byte for byte as saved.
#include <QApplication>
#include <QTimer>

#include <chrono>
#include <memory>

#include "tests/net/fake_server.h"
#include "framework/gui_wait.h"
#include "framework/string_grid.h"
#include "net/nw_http.h"
#include "tests/photo/photo_fixture.h"
#include "tests/peers/receiver_process.h"
#include "upload/resend_form.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kFailed[] = "上传失败！";

class PhotoPendingTest : public PhotoRoadTest {
 protected:
  // Takes, saves and uploads a photo for the n-th number; returns the one box "上传" showed.
  std::string SaveAndUpload(int n) {
    main->SetEdit1Text("11010519491231" + std::to_string(1000 + n));
    main->BitBtn1->click();
    main->BitBtn2->click();
    EXPECT_TRUE(main->BitBtn4->isEnabled());
    saved.push_back(main->PhotoFileName);
    prompter.Clear();
    main->BitBtn4->click();
    const std::vector<std::string> boxes = TakeBoxTexts();
    return boxes.size() == 1 ? boxes[0] : "boxes: " + std::to_string(boxes.size());
  }

  std::string PendingItem() const { return main->N8->text().toStdString(); }

  // Runs `inside` in the modal "补传照片" dialog that N8Click opens, then closes it.
  void InResendDialog(const std::function<void(TResendForm&)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* form = dynamic_cast<TResendForm*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      inside(*form);
      ran = true;
      form->BitBtn4->click();
    });
    main->N8Click();
    EXPECT_TRUE(ran);
  }

  std::vector<std::string> saved;
};

TEST_F(PhotoPendingTest, FailedUploadsStayPendingUntilOnePressSendsThemAll) {
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  EXPECT_EQ(PendingItem(), "补传照片 (0)");
  // The time-limit seam: the connect bound is the design's 15 s; a shorter one keeps the test quick.
  main->NwHTTP1->ConnectTimeout = TNwTimeLimit::Milliseconds(700);

  for (int n = 0; n < 10; ++n) EXPECT_EQ(SaveAndUpload(n), kFailed) << "refused " << n;  // nothing on port 80
  {
    FullListener dropping(80);
    for (int n = 10; n < 13; ++n) {
      // During the wait the loop turns (a timer fires) while input stays
      // blocked: a click on "退出" does not close the station.
      bool turned = false;
      QTimer::singleShot(100, [&] {
        turned = TGuiWait::Active(*main);
        QTest::mouseClick(main->BitBtn3, Qt::LeftButton);
      });
      const auto start = Clock::now();
      EXPECT_EQ(SaveAndUpload(n), kFailed) << "dropped " << n;
      EXPECT_LT(Clock::now() - start, 5s);
      EXPECT_TRUE(turned);
      EXPECT_TRUE(main->isVisible());
    }
  }
  {
    HttpReceiverProcess failing({"--status", "500", "--port", "80", "--bind", "127.0.0.1"});
    for (int n = 13; n < 15; ++n) EXPECT_EQ(SaveAndUpload(n), kFailed) << "500 " << n;
  }
  EXPECT_EQ(PendingItem(), "补传照片 (15)");

  // A station closed and started again keeps the list.
  main->close();
  main.reset();
  Show();
  EXPECT_EQ(PendingItem(), "补传照片 (15)");
  EXPECT_TRUE(prompter.Boxes().empty());  // nothing wrong with the record to tell

  HttpReceiverProcess server({"--port", "80", "--bind", "127.0.0.1"});
  const fs::path csv = photos / "list.csv";
  InResendDialog([&](TResendForm& form) {
    ASSERT_EQ(form.sg->RowCount(), 16);
    EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, 1), "服务器拒绝连接");
    EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, 11), "服务器无应答");
    EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, 14), "服务器错误 (500)");
    EXPECT_EQ(form.sg->Cell(TResendForm::kNumber, 15), "110105194912311014");
    form.BitBtn1->click();
    for (int row = 1; row <= 15; ++row) EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, row), "上传成功") << row;
    prompter.AnswerNextSave(csv.string());
    form.BitBtn3->click();
  });
  EXPECT_EQ(PendingItem(), "补传照片 (0)");
  ASSERT_TRUE(server.WaitForRequest(15, 10s));
  for (int n = 0; n < 15; ++n) {
    EXPECT_TRUE(server.Record(n + 1, "file1") == Slurp(saved[static_cast<std::size_t>(n)]) + "\r\n") << n;
  }
  const std::string list = Slurp(csv);
  EXPECT_EQ(list.substr(0, list.find("\r\n")), "身份证号,保存时间,上传时间,结果");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 16);
  EXPECT_NE(list.find("110105194912311000,"), std::string::npos);
}

// A listed photo whose file has gone says so and stays; saving the number
// again puts a photo back on the list after it was sent.
TEST_F(PhotoPendingTest, AMissingFileStaysAndASaveAfterASuccessIsPendingAgain) {
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  EXPECT_EQ(SaveAndUpload(0), kFailed);
  EXPECT_EQ(SaveAndUpload(1), kFailed);
  fs::remove(saved[0]);
  HttpReceiverProcess server({"--port", "80", "--bind", "127.0.0.1"});
  InResendDialog([&](TResendForm& form) {
    form.BitBtn1->click();
    EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, 1), "照片文件不存在");
    EXPECT_EQ(form.sg->Cell(TResendForm::kVerdict, 2), "上传成功");
  });
  EXPECT_EQ(PendingItem(), "补传照片 (1)");
  main->SetEdit1Text("110105194912311001");
  main->BitBtn1->click();
  prompter.AnswerNextBox(MsgButton::Yes);  // replace the file
  main->BitBtn2->click();
  EXPECT_EQ(PendingItem(), "补传照片 (2)");
}

// A record file that is not a database: the station starts, says once that
// it was set aside, and saves and uploads with a new record.
TEST_F(PhotoPendingTest, AGarbageRecordIsSetAsideOnceAndTheStationWorksOn) {
  std::ofstream(dir / "uploads.sqlite", std::ios::binary) << std::string(4096, 'g');
  ShowWithPhotoFolder(photos.Path());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter.Boxes().empty(); }, 5000));
  const std::vector<std::string> boxes = TakeBoxTexts();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("上传记录文件已损坏", 0), 0u) << boxes[0];
  Choose(k640x480);
  EXPECT_EQ(SaveAndUpload(0), kFailed);
  EXPECT_EQ(PendingItem(), "补传照片 (1)");
  EXPECT_TRUE(fs::exists(saved[0]));
}

}  // namespace
}  // namespace vantora::testing
