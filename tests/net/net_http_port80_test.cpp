#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/net/fake_server.h"
#include "net/nw_http.h"
#include "tests/support/private_network.h"
#include "tests/net/test_files.h"

// The upload always goes to port 80, so its "Host" line carries no port. This
// binary serves port 80 from a network namespace of its own to check the head
// exactly as the upload server sees it.
namespace vantora {
namespace {

std::string g_namespace_error;

using testing::FakePeer;
using testing::FakeServer;

std::vector<std::string> Lines(const std::string& head) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(head.substr(start, end - start));
    if (end == start) break;  // the empty line ends the head
  }
  return lines;
}

TEST(NetHttpPort80, UploadHeadLineByLineWithAndWithoutCookies) {
  if (!g_namespace_error.empty()) GTEST_SKIP() << "no private network: " << g_namespace_error;
  auto heads = std::make_shared<std::vector<std::string>>();
  auto mutex = std::make_shared<std::mutex>();
  auto answer = [heads, mutex](const std::string& reply) {
    return [heads, mutex, reply](FakePeer& peer) {
      const std::string request = peer.ReadRequest();
      {
        std::lock_guard<std::mutex> lock(*mutex);
        heads->push_back(request);
      }
      peer.Send(reply);
    };
  };
  FakeServer server({answer("HTTP/1.1 200 OK\r\nSet-Cookie: JSESSIONID=42\r\nContent-Length: 0\r\n\r\n"),
                     answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")},
                    80);
  TNwHTTP http;
  std::vector<std::string> boundaries;
  std::vector<std::int64_t> sizes;
  for (int i = 0; i < 2; ++i) {
    TNwMultiPartFormDataStream body;
    body.AppendFilePart("file1", testing::TestDataPath("red-228x303.jpg"), "");
    body.Seek(0, TNwSeekOrigin::soBeginning);
    boundaries.push_back(body.Boundary());
    sizes.push_back(body.Size());
    http.PostMultipart("http://127.0.0.1/clientupload.jsp?fname=img", body);
  }
  ASSERT_TRUE(server.Finish());
  ASSERT_EQ(heads->size(), 2u);
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> expected = {
        "POST /clientupload.jsp?fname=img HTTP/1.0",
        "Connection: keep-alive",
        "Content-Type: multipart/form-data; boundary=" + boundaries[static_cast<std::size_t>(i)],
        "Content-Length: " + std::to_string(sizes[static_cast<std::size_t>(i)]),
        "Host: 127.0.0.1",
        "Accept: text/html, */*",
        "User-Agent: Mozilla/3.0 (compatible; Vantora)",
    };
    if (i == 1) expected.push_back("Cookie: JSESSIONID=42");
    expected.push_back("");
    EXPECT_EQ(Lines((*heads)[static_cast<std::size_t>(i)]), expected);
  }
}

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
  // Before any thread starts: the namespace is the process's.
  vantora::g_namespace_error = vantora::testing::EnterPrivateNetwork();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
