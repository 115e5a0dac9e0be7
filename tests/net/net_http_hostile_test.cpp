#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/net/fake_server.h"
#include "net/nw_exceptions.h"
#include "net/nw_http.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_socket_errors.h"

// Servers that try to hold, grow or poison the client: each attempt must end
// in a clear error within the configured limit and leave the client usable.
namespace vantora {
namespace {

using testing::FakePeer;
using testing::FakeServer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::string kUploadUrl = "http://127.0.0.1/clientupload.jsp?fname=img";

std::string PostText(TNwHTTP& http, const std::string& url, const std::string& body = "data") {
  TNwMemoryStream source;
  source.Write(body.data(), static_cast<std::int64_t>(body.size()));
  return http.Post(url, source);
}

// The next post, on a well-behaved server, goes through.
void ExpectUsable(TNwHTTP& http) {
  TNwIOHandlerScripted good("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
  good.HoldOpen();
  http.SetIOHandler(&good);
  EXPECT_EQ(PostText(http, kUploadUrl), "ok");
  http.SetIOHandler(nullptr);
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

struct HeadCase {
  const char* name;
  std::string answer;
  int max_line_length;
  const char* error;  // nullptr: the post succeeds with "ok"
};

TEST(NetHttpHostile, AnswerHeadsThatWouldNeverEndAreCut) {
  const std::string block_of_filler = "HTTP/1.1 100 Continue\r\n" + Repeat("X-Pad: " + std::string(16000, 'p') + "\r\n", 8) + "\r\n";
  const std::vector<HeadCase> cases = {
      {"endless 100 answers", Repeat("HTTP/1.1 100 Continue\r\n\r\n", 10000), 16384,
       "More than 16 interim answers."},
      {"sixteen 100 answers are still answered",
       Repeat("HTTP/1.1 100 Continue\r\n\r\n", 16) + "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 16384, nullptr},
      // Each block is far below the budget; together they are not.
      {"interim heads share one budget", Repeat(block_of_filler, 10) + "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok",
       16384, "The answer's header block exceeds 1048576 bytes."},
      {"a header line without end, line check off", "HTTP/1.0 200 OK\r\nX-Endless: " + std::string(3 << 20, 'e'), 0,
       "The answer's header block exceeds 1048576 bytes."},
      {"a status line without end, line check off", std::string(3 << 20, 's'), 0,
       "The answer's header block exceeds 1048576 bytes."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TNwIOHandlerScripted server(c.answer);
    server.HoldOpen();  // reading on past the answer would be a time-out
    TNwHTTP http;
    http.MaxLineLength = c.max_line_length;
    http.SetIOHandler(&server);
    if (c.error == nullptr) {
      EXPECT_EQ(PostText(http, kUploadUrl), "ok");
    } else {
      try {
        PostText(http, kUploadUrl);
        FAIL() << "no error";
      } catch (const ENwLimitExceeded& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
      // What was taken in stayed within the budget and one receive.
      EXPECT_LE(server.Consumed(), std::size_t{1 << 20} + 2 * kNwDefaultRecvBufferSize);
      EXPECT_FALSE(http.Connected());
    }
    ExpectUsable(http);
  }
}

TEST(NetHttpHostile, ACookieWithControlBytesIsRefusedAndLaterPostsStillGoOut) {
  const std::string first = "HTTP/1.0 200 OK\r\nSet-Cookie: a=b\rc\r\nSet-Cookie: bell=\x07\r\n"
                            "Set-Cookie: good=1\r\nContent-Length: 0\r\n\r\n";
  TNwIOHandlerScripted server(first);
  server.HoldOpen();
  TNwHTTP http;
  http.SetIOHandler(&server);
  EXPECT_EQ(PostText(http, kUploadUrl, "1"), "");
  // Every post is a connection of its own: the second server stands in.
  TNwIOHandlerScripted second("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
  second.HoldOpen();
  http.SetIOHandler(&second);
  EXPECT_EQ(PostText(http, kUploadUrl, "2"), "ok");
  EXPECT_EQ(second.Sent(),
            "POST /clientupload.jsp?fname=img HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: text/html\r\n"
            "Content-Length: 1\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Vantora)\r\nCookie: good=1\r\n\r\n2");
}

// The request went out, then something failed: whatever an earlier answer
// said about keeping the connection, it is closed, and the peer sees it.
TEST(NetHttpHostile, ErrorsAfterTheRequestWentOutCloseTheConnection) {
  struct Case {
    const char* name;
    std::string keep_alive_answer;  // sent on a first connection, or empty
    std::string failing_answer;
  };
  const std::string keep_alive = "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\n1";
  const std::vector<Case> cases = {
      {"head stops mid-line after a keep-alive answer", keep_alive, "HTTP/1.0 200 OK\r\nX-Half: th"},
      {"keep-alive answer whose body stops short", "",
       "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 10\r\n\r\nabc"},
      {"keep-alive 100 then a head that stops", "",
       "HTTP/1.1 100 Continue\r\nConnection: keep-alive\r\n\r\nHTTP/1.0 200 OK\r\nX-Half: th"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto closed_seen = std::make_shared<std::atomic<bool>>(false);
    std::vector<FakeServer::Script> scripts;
    if (!c.keep_alive_answer.empty()) {
      scripts.push_back([answer = c.keep_alive_answer](FakePeer& peer) {
        peer.ReadRequest();
        peer.Send(answer);
        peer.WaitForClientClose(std::chrono::seconds(20));
      });
    }
    scripts.push_back([answer = c.failing_answer, closed_seen](FakePeer& peer) {
      peer.ReadRequest();
      peer.Send(answer);
      *closed_seen = peer.WaitForClientClose(std::chrono::seconds(20));
    });
    FakeServer server(std::move(scripts));
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/clientupload.jsp?fname=img";
    TNwHTTP http;
    http.ReadTimeout = TNwTimeLimit::Milliseconds(500);
    if (!c.keep_alive_answer.empty()) {
      EXPECT_EQ(PostText(http, url), "1");
      EXPECT_TRUE(http.Connected());
    }
    EXPECT_THROW(PostText(http, url), ENwReadTimeout);
    EXPECT_FALSE(http.Connected());
    // Seen by the peer at once, not when the client object goes.
    ASSERT_TRUE(server.Finish(std::chrono::seconds(10)));
    EXPECT_TRUE(*closed_seen);
    ExpectUsable(http);
  }
}

// With a time limit set, one exchange takes at most that long in all, however
// the server spaces its bytes.
TEST(NetHttpHostile, ATricklingServerCannotStretchTheExchange) {
  FakeServer server({[](FakePeer& peer) {
    peer.ReadRequest();
    peer.Send("HTTP/1.0 200 OK\r\nX-Slow: ");
    for (int i = 0; i < 200; ++i) {  // 20 s of one byte every 100 ms
      peer.Send("s");
      if (peer.WaitForClientClose(milliseconds(100))) return;
    }
  }});
  TNwHTTP http;
  http.ReadTimeout = TNwTimeLimit::Milliseconds(1000);  // each byte comes well within it
  const auto start = Clock::now();
  EXPECT_THROW(PostText(http, "http://127.0.0.1:" + std::to_string(server.Port()) + "/up.jsp"), ENwReadTimeout);
  const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
  EXPECT_GE(waited, 900);
  EXPECT_LT(waited, 5000);
  EXPECT_FALSE(http.Connected());
  EXPECT_TRUE(server.Finish());
}

// A body read only to be thrown away (a followed redirect's) gets a few
// seconds and a few megabytes in all; then the connection is dropped and the
// redirect followed all the same.
TEST(NetHttpHostile, ADiscardedBodyIsCutByTimeAndBytes) {
  struct Case {
    const char* name;
    bool trickle;  // one byte every 100 ms; otherwise as fast as it goes
  };
  for (const Case c : {Case{"trickled", true}, Case{"endless", false}}) {
    SCOPED_TRACE(c.name);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    FakeServer server({[c, stop](FakePeer& peer) {
                         peer.ReadRequest();
                         peer.Send("HTTP/1.0 302 Found\r\nLocation: /next.jsp\r\n\r\n");
                         const std::string block(c.trickle ? 1 : 1 << 16, 'd');
                         const auto end = Clock::now() + std::chrono::seconds(30);
                         while (!*stop && Clock::now() < end) {
                           if (!peer.Send(block)) return;
                           if (c.trickle && peer.WaitForClientClose(milliseconds(100))) return;
                         }
                       },
                       [](FakePeer& peer) {
                         peer.ReadRequest();
                         peer.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
                       }});
    TNwHTTP http;
    http.HandleRedirects = true;
    const auto start = Clock::now();
    EXPECT_EQ(PostText(http, "http://127.0.0.1:" + std::to_string(server.Port()) + "/up.jsp"), "ok");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));  // the server would go on for 30 s
    *stop = true;
    EXPECT_TRUE(server.Finish());
    EXPECT_EQ(server.Accepted(), 2);
  }
}

TEST(NetHttpHostile, AServerThatNeverReadsCannotHoldThePost) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  FakeServer server({[release](FakePeer& peer) { peer.Stall(*release, std::chrono::seconds(30)); }});
  TNwHTTP http;
  http.ReadTimeout = TNwTimeLimit::Milliseconds(1000);
  const std::string body(48 << 20, 'b');  // far more than the socket buffers hold
  const auto start = Clock::now();
  try {
    PostText(http, "http://127.0.0.1:" + std::to_string(server.Port()) + "/up.jsp", body);
    FAIL() << "48 MB went to a server that reads nothing";
  } catch (const ENwSocketError& e) {
    EXPECT_EQ(e.LastError(), kWsaETimedOut);
  }
  const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
  EXPECT_GE(waited, 900);
  EXPECT_LT(waited, 10'000);
  EXPECT_FALSE(http.Connected());
  *release = true;
  EXPECT_TRUE(server.Finish());
  ExpectUsable(http);

  // The same through the byte-stream seam: a peer that takes 100 bytes.
  TNwIOHandlerScripted stalled("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
  stalled.LimitIntake(100);
  http.SetIOHandler(&stalled);
  EXPECT_THROW(PostText(http, kUploadUrl, std::string(1000, 'b')), ENwSocketError);
  EXPECT_EQ(stalled.Sent().size(), 100u);
  EXPECT_FALSE(http.Connected());
}

}  // namespace
}  // namespace vantora
