#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/nw_exceptions.h"
#include "net/nw_http.h"
#include "tests/peers/receiver_process.h"
#include "tests/net/test_files.h"

namespace vantora {
namespace {

using testing::HttpReceiverProcess;

std::vector<std::string> Lines(const std::string& head) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(head.substr(start, end - start));
  }
  return lines;
}

TEST(NetHttpReceiver, PostedPhotoArrivesWithTheSpecifiedHead) {
  HttpReceiverProcess receiver;
  const std::string photo = testing::TestDataPath("photo-640x480.jpg");
  TNwHTTP http;
  TNwMultiPartFormDataStream body;
  body.AppendFilePart("file1", photo, "");
  body.Seek(0, TNwSeekOrigin::soBeginning);
  http.Request().ContentType = body.MultipartContentType();
  const std::string url = "http://127.0.0.1:" + std::to_string(receiver.Port()) + "/clientupload.jsp?fname=img";
  const std::string answer = http.PostMultipart(url, body);
  EXPECT_EQ(answer, "received\n");
  ASSERT_TRUE(receiver.WaitForRequest(1, std::chrono::seconds(10)));

  // The standard library's multipart parser sees the file followed by CR LF.
  EXPECT_EQ(receiver.Record(1, "file1"), testing::FileBytes(photo) + "\r\n");
  const std::vector<std::string> expected = {
      "POST /clientupload.jsp?fname=img HTTP/1.0",
      "Connection: keep-alive",
      "Content-Type: multipart/form-data; boundary=" + body.Boundary(),
      "Content-Length: " + std::to_string(body.Size()),
      "Host: 127.0.0.1:" + std::to_string(receiver.Port()),
      "Accept: text/html, */*",
      "User-Agent: Mozilla/3.0 (compatible; Vantora)",
      "",
  };
  EXPECT_EQ(Lines(receiver.Record(1, "head")), expected);
  EXPECT_EQ(receiver.Record(1, "body").size(), static_cast<std::size_t>(body.Size()));
  const std::string json = receiver.Record(1, "json");
  EXPECT_NE(json.find("\"filename\": \"" + photo + "\""), std::string::npos) << json;
  // The receiver kept the connection, as asked; the next post closes it.
  EXPECT_TRUE(http.Connected());
}

TEST(NetHttpReceiver, RefusalsAndRedirectsFailThePost) {
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  for (const Case& c : {Case{{"--status", "302", "--header", "Location: http://elsewhere/"}, 302},
                        Case{{"--status", "500"}, 500}, Case{{"--status", "404"}, 404}}) {
    SCOPED_TRACE(c.code);
    HttpReceiverProcess receiver(c.args);
    TNwHTTP http;
    TNwMultiPartFormDataStream body;
    body.AppendFilePart("file1", testing::TestDataPath("red-228x303.jpg"), "");
    try {
      http.PostMultipart("http://127.0.0.1:" + std::to_string(receiver.Port()) + "/clientupload.jsp?fname=img",
                         body);
      FAIL() << "no error";
    } catch (const ENwHTTPProtocolException& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.ErrorMessage(), "received\n");
    }
    EXPECT_TRUE(receiver.WaitForRequest(1, std::chrono::seconds(10)));
  }
}

}  // namespace
}  // namespace vantora
