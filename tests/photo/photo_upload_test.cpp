// "上传" through the real window to a real HTTP receiver on port 80 of
// 127.0.0.1, inside this test binary's own network namespace.
#include <QClipboard>
#include <QGuiApplication>

#include <chrono>
#include <memory>

#include "tests/photo/photo_fixture.h"
#include "tests/peers/receiver_process.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kDone[] = "上传完成！";
constexpr char kFailed[] = "上传失败！";
constexpr char kLength[] = "请输入15或18位身份证号！";
constexpr char kId[] = "11010519491231002X";

class PhotoUploadTest : public PhotoRoadTest {
 protected:
  // The upload server always answers on port 80.
  void Serve(std::vector<std::string> args = {}) {
    args.insert(args.end(), {"--port", "80", "--bind", "127.0.0.1"});
    receiver.reset();
    receiver = std::make_unique<HttpReceiverProcess>(args);
    ASSERT_EQ(receiver->Port(), 80);
  }

  // Takes and saves a photo for `id`, which enables "上传".
  fs::path SavePhoto(const std::string& id) {
    main->SetEdit1Text(id);
    main->BitBtn1->click();
    main->BitBtn2->click();
    EXPECT_TRUE(main->BitBtn4->isEnabled());
    prompter.Clear();
    return main->PhotoFileName;
  }

  int RequestsReceived() const {
    return static_cast<int>(std::count_if(fs::directory_iterator(receiver->RecordDir()), fs::directory_iterator(),
                                          [](const fs::directory_entry& e) { return e.path().extension() == ".done"; }));
  }

  std::unique_ptr<HttpReceiverProcess> receiver;
};

TEST_F(PhotoUploadTest, A200AnswerIsSuccessAndTheServerHoldsThePhoto) {
  Serve();
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  const fs::path photo = SavePhoto("11010519491231002x");
  EXPECT_EQ(photo, photos / "11010519491231002X.jpg");
  main->BitBtn4->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, kDone);
  EXPECT_EQ(prompter.Boxes()[0].caption, "Information");
  EXPECT_FALSE(main->BitBtn4->isEnabled());

  ASSERT_TRUE(receiver->WaitForRequest(1, 10s));
  const std::string head = receiver->Record(1, "head");
  EXPECT_EQ(head.substr(0, head.find("\r\n")), "POST /clientupload.jsp?fname=img HTTP/1.0");
  EXPECT_NE(head.find("\r\nHost: 127.0.0.1\r\n"), std::string::npos);
  // The field carries the file's bytes, then the CR LF the body puts before its closing delimiter.
  EXPECT_EQ(receiver->Record(1, "file1"), Slurp(photo) + "\r\n");
  // Named as a Windows station names it; the sites' pages cut the number after the last backslash.
  std::string sent = "Z:" + photo.string();
  std::replace(sent.begin(), sent.end(), '/', '\\');
  EXPECT_NE(receiver->Record(1, "body").find("\r\nContent-Disposition: form-data; name=\"file1\"; filename=\"" + sent +
                                              "\"\r\nContent-Type: \r\n\r\n"),
            std::string::npos);
}

TEST_F(PhotoUploadTest, AnythingButAPlain2xxIsFailure) {
  const std::vector<std::vector<std::string>> answers = {
      {"--status", "302", "--header", "Location: http://127.0.0.1/elsewhere"},
      {"--status", "200", "--header", "Location: http://127.0.0.1/elsewhere"},
      {"--status", "404"},
      {"--status", "500"},
  };
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  for (const auto& answer : answers) {
    SCOPED_TRACE(answer[1]);
    Serve(answer);
    SavePhoto(kId);
    main->BitBtn4->click();
    ASSERT_EQ(prompter.Boxes().size(), 1u);
    EXPECT_EQ(prompter.Boxes()[0].text, kFailed);
    EXPECT_EQ(prompter.Boxes()[0].caption, "Error");
    EXPECT_FALSE(main->BitBtn4->isEnabled());
    EXPECT_TRUE(receiver->WaitForRequest(1, 10s));
    EXPECT_EQ(RequestsReceived(), 1);  // redirects are not followed
    prompter.Clear();
  }
}

TEST_F(PhotoUploadTest, NoServerIsFailureAndTheButtonIsDisabled) {
  ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  SavePhoto(kId);
  main->BitBtn4->click();  // nothing listens on port 80: refused at once
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, kFailed);
  EXPECT_FALSE(main->BitBtn4->isEnabled());
}

TEST_F(PhotoUploadTest, TheLengthRuleAndAMissingPhotoSendNothing) {
  Serve();
  TMain& m = ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  SavePhoto("11010519491231002");  // seventeen characters: saving does not check
  m.BitBtn4->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, kLength);
  EXPECT_TRUE(m.BitBtn4->isEnabled());  // only the message; try again with a right number
  prompter.Clear();

  m.SetEdit1Text("110105194912310099");  // valid, but never saved
  m.BitBtn4->click();
  EXPECT_TRUE(prompter.Boxes().empty());
  EXPECT_FALSE(m.BitBtn4->isEnabled());
  EXPECT_EQ(RequestsReceived(), 0);
}

TEST_F(PhotoUploadTest, AnIdFromTheClipboardNeverSendsAFileOutsideThePhotoFolder) {
  Serve();
  const fs::path folder = photos / "a" / "b";
  fs::create_directories(folder);
  std::ofstream(photos / "SECRETFILE00.jpg") << "not a photo of this station";
  TMain& m = ShowWithPhotoFolder(folder);
  Choose(k640x480);
  SavePhoto(kId);
  QGuiApplication::clipboard()->setText("photo../../secretfile00");  // 18 characters
  m.BitBtn4->click();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, kFailed);
  EXPECT_FALSE(m.BitBtn4->isEnabled());
  EXPECT_EQ(RequestsReceived(), 0);
}

// The whole road once, as an operator would: camera, typed number, take, save, upload.
TEST_F(PhotoUploadTest, TheFullRoadOfOnePhoto) {
  Serve();
  TMain& m = ShowWithPhotoFolder(photos.Path());
  Choose(k640x480);
  m.Edit1->setFocus();
  Type("11010519491231002x");
  EXPECT_EQ(m.Edit1Text(), kId);
  QTest::mouseClick(m.BitBtn1, Qt::LeftButton);
  ASSERT_TRUE(m.BitBtn2->isEnabled());
  QTest::mouseClick(m.BitBtn2, Qt::LeftButton);
  ASSERT_TRUE(m.BitBtn4->isEnabled());
  QTest::mouseClick(m.BitBtn4, Qt::LeftButton);
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, kDone);
  ASSERT_TRUE(receiver->WaitForRequest(1, 10s));
  EXPECT_EQ(receiver->Record(1, "file1"), Slurp(photos / (std::string(kId) + ".jpg")) + "\r\n");
}

}  // namespace
}  // namespace vantora::testing
