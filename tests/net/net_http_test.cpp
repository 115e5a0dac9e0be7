#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/net/fake_server.h"
#include "net/nw_exceptions.h"
#include "net/nw_http.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_socket_errors.h"
#include "tests/net/test_files.h"

namespace vantora {
namespace {

using testing::FakePeer;
using testing::FakeServer;

// Requests as the fake server read them, shared with its scripts.
struct Requests {
  std::mutex mutex;
  std::vector<std::string> items;
  void Add(std::string r) {
    std::lock_guard<std::mutex> lock(mutex);
    items.push_back(std::move(r));
  }
};

enum class Then { close, hold };

// How long a holding peer keeps the connection open after its answer, and
// the bound a client that stops at the framed end must finish well within.
constexpr auto kPeerHolds = std::chrono::seconds(20);
constexpr auto kFramedEndBound = std::chrono::seconds(4);

// Bytes a holding peer sends after the answer's framed end: a client that
// reads past that end finds them in its body, or waits for the peer's close.
const std::string kAfterTheEnd = "BYTES AFTER THE FRAMED END";

FakeServer::Script Answer(std::shared_ptr<Requests> seen, std::string answer, Then then = Then::close) {
  return [seen, answer, then](FakePeer& peer) {
    seen->Add(peer.ReadRequest());
    peer.Send(answer);
    if (then == Then::hold) {
      peer.Send(kAfterTheEnd);
      peer.WaitForClientClose(kPeerHolds);
    }
  };
}

std::string Url(const FakeServer& server, const std::string& rest = "/clientupload.jsp?fname=img") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + rest;
}

std::string PostText(TNwHTTP& http, const std::string& url, const std::string& body = "data") {
  TNwMemoryStream source;
  source.Write(body.data(), static_cast<std::int64_t>(body.size()));
  return http.Post(url, source);
}

enum class Outcome { ok, protocol_error, undefined, closed, limit };

struct AnswerCase {
  const char* name;
  std::string answer;
  Then then;
  Outcome outcome;
  int code;          // status code of a protocol error
  std::string body;  // returned text, or the error's body
};

TEST(NetHttp, AnswersAreJudgedAndBodiesReadByTheirFraming) {
  const std::vector<AnswerCase> cases = {
      {"five bytes", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", Then::hold, Outcome::ok, 0, "hello"},
      {"close after three of five", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabc", Then::close, Outcome::ok, 0,
       "abc"},
      {"until close", "HTTP/1.0 200 OK\r\n\r\nall of it", Then::close, Outcome::ok, 0, "all of it"},
      {"length zero", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", Then::hold, Outcome::ok, 0, ""},
      {"lf only lines", "HTTP/1.0 200 OK\nContent-Length: 2\n\nok", Then::hold, Outcome::ok, 0, "ok"},
      {"folded header", "HTTP/1.0 200 OK\r\nX-Long: a\r\n b\r\nContent-Length: 2\r\n\r\nok", Then::hold,
       Outcome::ok, 0, "ok"},
      {"chunked with junk after size",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a junk\r\nabcdefghijklmnopqrstuvwxyz\r\n3;x=y\r\n123\r\n0\r\n\r\n",
       Then::hold, Outcome::ok, 0, "abcdefghijklmnopqrstuvwxyz123"},
      {"chunked closing without last line", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\n",
       Then::close, Outcome::ok, 0, "hi"},
      {"100 then 200", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", Then::hold,
       Outcome::ok, 0, "ok"},
      {"204", "HTTP/1.0 204 No Content\r\n\r\n", Then::hold, Outcome::ok, 0, ""},
      {"302 with location", "HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 5\r\n\r\nmoved",
       Then::hold, Outcome::protocol_error, 302, "moved"},
      {"200 with location", "HTTP/1.0 200 OK\r\nLocation: /other\r\nContent-Length: 2\r\n\r\nok", Then::hold,
       Outcome::protocol_error, 200, "ok"},
      {"304", "HTTP/1.0 304 Not Modified\r\nContent-Length: 0\r\n\r\n", Then::hold, Outcome::protocol_error, 304,
       ""},
      {"401 basic",
       "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"up\"\r\nContent-Length: 6\r\n\r\ndenied",
       Then::hold, Outcome::protocol_error, 401, "denied"},
      {"404 read until close", "HTTP/1.0 404 Not Found\r\n\r\nnot here", Then::close, Outcome::protocol_error, 404,
       "not here"},
      {"non-numeric status", "HTTP/1.0 abc OK\r\nContent-Length: 0\r\n\r\n", Then::hold, Outcome::protocol_error,
       -1, ""},
      {"head cut by close", "HTTP/1.0 200 OK\r\nContent-Le", Then::close, Outcome::undefined, 0, ""},
      {"close before status line", "", Then::close, Outcome::closed, 0, ""},
      {"content length beyond 64 bits", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n",
       Then::close, Outcome::limit, 0, ""},
      {"chunk size beyond 64 bits", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffffffffffffffffffff\r\n",
       Then::close, Outcome::limit, 0, ""},
      {"endless header block", "HTTP/1.0 200 OK\r\n" + [] {
         std::string lines;
         for (int i = 0; i < 80; ++i) lines += "X-Filler: " + std::string(16000, 'f') + "\r\n";
         return lines;
       }(),
       Then::close, Outcome::limit, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto seen = std::make_shared<Requests>();
    FakeServer server({Answer(seen, c.answer, c.then)});
    TNwHTTP http;
    const auto start = std::chrono::steady_clock::now();
    try {
      const std::string text = PostText(http, Url(server));
      EXPECT_EQ(c.outcome, Outcome::ok);
      EXPECT_EQ(text, c.body);
    } catch (const ENwHTTPProtocolException& e) {
      EXPECT_EQ(c.outcome, Outcome::protocol_error);
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.what(), c.answer.substr(0, c.answer.find_first_of("\r\n")));
      EXPECT_EQ(e.ErrorMessage(), c.body);
    } catch (const ENwConnClosedGracefully&) {
      EXPECT_EQ(c.outcome, Outcome::closed);
    } catch (const ENwLimitExceeded&) {
      EXPECT_EQ(c.outcome, Outcome::limit);
    } catch (const ENwException& e) {
      EXPECT_EQ(c.outcome, Outcome::undefined) << e.what();
      EXPECT_STREQ(e.what(), "Undefined situation");
    }
    // A held connection shows the client stopped at the framed end rather
    // than at the peer's close.
    if (c.then == Then::hold) {
      EXPECT_LT(std::chrono::steady_clock::now() - start, kFramedEndBound);
    }
    // No answer above asks to keep the connection: it is closed either way,
    // and no redirect was followed.
    EXPECT_FALSE(http.Connected());
    EXPECT_TRUE(server.Finish());
    EXPECT_EQ(server.Accepted(), 1);
  }
}

// The whole request as the upload server receives it, written out byte by
// byte. Port 80 is not named, so the "Host" line carries none; the scripted
// handler stands in for the server, so this runs without port 80.
TEST(NetHttp, UploadRequestIsExactlyTheseBytes) {
  const auto dir = std::filesystem::temp_directory_path() / ("vantora-net-http-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string photo = (dir / "440101199001011234.jpg").string();
  std::ofstream(photo, std::ios::binary) << std::string("\xFF\xD8JPEG\xFF\xD9", 8);
  const std::string boundary = "--------120826012525123";

  TNwIOHandlerScripted server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  server.HoldOpen();
  TNwHTTP http;
  http.SetIOHandler(&server);
  {
    TNwMultiPartFormDataStream body(boundary);
    body.AppendFilePart("file1", photo, "");
    body.Seek(0, TNwSeekOrigin::soBeginning);
    EXPECT_EQ(http.PostMultipart("http://127.0.0.1/clientupload.jsp?fname=img", body), "");
  }
  // 145 bytes of multipart framing around the 8 file bytes, plus the path.
  const std::string expected = std::string(
      "POST /clientupload.jsp?fname=img HTTP/1.0\r\n"
      "Connection: keep-alive\r\n"
      "Content-Type: multipart/form-data; boundary=--------120826012525123\r\n"
      "Content-Length: ") + std::to_string(145 + photo.size()) + "\r\n"
      "Host: 127.0.0.1\r\n"
      "Accept: text/html, */*\r\n"
      "User-Agent: Mozilla/3.0 (compatible; Vantora)\r\n"
      "\r\n"
      "----------120826012525123\r\n"
      "Content-Disposition: form-data; name=\"file1\"; filename=\"" + photo + "\"\r\n"
      "Content-Type: \r\n"
      "\r\n" + std::string("\xFF\xD8JPEG\xFF\xD9", 8) + "\r\n"
      "\r\n"
      "----------120826012525123--\r\n";
  EXPECT_EQ(server.Sent(), expected);
  // The client's own protocol version is back after the post.
  EXPECT_EQ(http.ProtocolVersion, TNwHTTPProtocolVersion::pv1_1);
  std::filesystem::remove_all(dir);
}

TEST(NetHttp, KeepAliveConnectionStaysOpenUntilTheNextPost) {
  auto seen = std::make_shared<Requests>();
  auto first_closed = std::make_shared<bool>(false);
  FakeServer server({[seen, first_closed](FakePeer& peer) {
                       seen->Add(peer.ReadRequest());
                       peer.Send("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\n1");
                       *first_closed = peer.WaitForClientClose();
                     },
                     Answer(seen, "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\n2")});
  TNwHTTP http;
  EXPECT_EQ(PostText(http, Url(server)), "1");
  EXPECT_TRUE(http.Connected());
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(PostText(http, Url(server)), "2");
  ASSERT_TRUE(server.Finish());
  EXPECT_TRUE(*first_closed);
  EXPECT_EQ(server.Accepted(), 2);
  EXPECT_FALSE(http.Connected());
}

TEST(NetHttp, APortNamedOnceStaysForLaterAddresses) {
  auto seen = std::make_shared<Requests>();
  const std::string ok = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
  FakeServer server({Answer(seen, ok), Answer(seen, ok)});
  TNwHTTP http;
  PostText(http, Url(server, "/first"));
  PostText(http, "http://127.0.0.1/second\\doc.jsp?x=1");
  ASSERT_TRUE(server.Finish());
  ASSERT_EQ(seen->items.size(), 2u);
  EXPECT_EQ(seen->items[1].substr(0, seen->items[1].find("\r\n")), "POST /second/doc.jsp?x=1 HTTP/1.0");
  EXPECT_NE(seen->items[1].find("Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST(NetHttp, CookiesSetByAnAnswerGoBackWithTheNextRequest) {
  auto seen = std::make_shared<Requests>();
  FakeServer server({Answer(seen, "HTTP/1.0 200 OK\r\nSet-Cookie: session=abc; Path=/\r\nContent-Length: 0\r\n\r\n"),
                     Answer(seen, "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n")});
  TNwHTTP http;
  PostText(http, Url(server));
  PostText(http, Url(server));
  ASSERT_TRUE(server.Finish());
  ASSERT_EQ(seen->items.size(), 2u);
  EXPECT_EQ(seen->items[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(seen->items[1].find("\r\nCookie: session=abc\r\n"), std::string::npos);
}

TEST(NetHttp, LineBreaksInRequestValuesAreRefusedBeforeConnecting) {
  // Any connect attempt would fail with 10061 instead of the refusal.
  testing::RefusingPort refusing;
  const std::string base = "http://127.0.0.1:" + std::to_string(refusing.Port());
  struct Case {
    const char* name;
    std::string url;
    std::string user_agent;
    std::string custom;
  };
  const std::vector<Case> cases = {
      {"url", base + "/up.jsp?fname=a\r\nX-Injected: 1", "agent", ""},
      {"url lf", base + "/up\n.jsp", "agent", ""},
      {"header value", base + "/up.jsp", "agent\r\nX-Injected: 1", ""},
      {"custom header", base + "/up.jsp", "agent", "X-Id: 1\r\nX-Injected: 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TNwHTTP http;
    http.Request().UserAgent = c.user_agent;
    if (!c.custom.empty()) http.Request().CustomHeaders.Add(c.custom);
    EXPECT_THROW(PostText(http, c.url), ENwLineBreakNotAllowed);
  }
  // Quotes and backslashes are not line breaks: the request is attempted.
  TNwHTTP http;
  http.Request().UserAgent = "a \"quoted\" \\ agent";
  EXPECT_THROW(PostText(http, base + "/up.jsp"), ENwSocketError);
}

TEST(NetHttp, FailuresLeaveTheClientUsable) {
  TNwHTTP http;
  testing::RefusingPort refusing;
  try {
    PostText(http, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/x");
    FAIL() << "no error";
  } catch (const ENwSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
  }
  try {
    PostText(http, "https://127.0.0.1/x");
    FAIL() << "no error";
  } catch (const ENwIOHandlerPropInvalid& e) {
    EXPECT_STREQ(e.what(), "IOHandler value is not valid");
  }
  TNwHTTP fresh;
  EXPECT_THROW(PostText(fresh, "ftp://127.0.0.1/x"), ENwUnknownProtocol);

  auto seen = std::make_shared<Requests>();
  FakeServer server({Answer(seen, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")});
  EXPECT_EQ(PostText(http, Url(server)), "ok");
}

TEST(NetHttp, SilentServerWithReadTimeoutRaisesReadTimeout) {
  FakeServer server({[](FakePeer& peer) {
    peer.ReadRequest();
    peer.WaitForClientClose(std::chrono::seconds(20));
  }});
  TNwHTTP http;
  http.ReadTimeout = TNwTimeLimit::Milliseconds(2000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(PostText(http, Url(server)), ENwReadTimeout);
  const auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 1900);
  EXPECT_LT(waited, 4000);
  EXPECT_EQ(http.ReadTimeout, TNwTimeLimit::Milliseconds(2000));
  EXPECT_FALSE(http.Connected());
}

}  // namespace
}  // namespace vantora
