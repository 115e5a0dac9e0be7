#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/net/fake_server.h"
#include "net/nw_exceptions.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_socket_errors.h"
#include "net/nw_tcp_connection.h"

namespace vantora {
namespace {

using testing::FakePeer;
using testing::FakeServer;
using Clock = std::chrono::steady_clock;

// A connection reading from canned bytes, handed out `piece` bytes per receive.
struct Scripted {
  Scripted(std::string bytes, std::size_t piece) : handler(std::move(bytes), piece) {
    handler.MarkOpen();
    connection.SetIOHandler(&handler);
  }
  TNwIOHandlerScripted handler;
  TNwTCPConnection connection;
};

struct LineCase {
  const char* name;
  std::string input;
  TNwMaxLineAction action;
  std::vector<std::string> lines;  // lines expected in order
  bool then_too_long;              // the next read raises "Max line length exceeded."
  bool split_on_first;
};

class NetLineReadTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NetLineReadTest, LineRulesHoldWhateverTheReceiveSizes) {
  const std::string max(16384, 'x');
  const std::vector<LineCase> cases = {
      {"lf only", "one\ntwo\n", TNwMaxLineAction::maException, {"one", "two"}, false, false},
      {"cr lf", "one\r\ntwo\r\n", TNwMaxLineAction::maException, {"one", "two"}, false, false},
      {"lone cr stays", "a\rb\n", TNwMaxLineAction::maException, {"a\rb"}, false, false},
      {"empty lines", "\r\n\n", TNwMaxLineAction::maException, {"", ""}, false, false},
      {"limit with lf", max + "\n", TNwMaxLineAction::maException, {max}, false, false},
      {"limit with cr lf", max + "\r\n", TNwMaxLineAction::maException, {}, true, false},
      {"20000 without lf", std::string(20000, 'y'), TNwMaxLineAction::maException, {}, true, false},
      {"split", std::string(16390, 'z') + "\n", TNwMaxLineAction::maSplit,
       {std::string(16384, 'z'), "zzzzzz"}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scripted s(c.input, GetParam());
    s.connection.MaxLineAction = c.action;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      EXPECT_EQ(s.connection.ReadLn(), c.lines[i]);
      if (i == 0) {
        EXPECT_EQ(s.connection.ReadLnSplit(), c.split_on_first);
      }
    }
    if (c.then_too_long) {
      EXPECT_THROW(
          {
            try {
              s.connection.ReadLn();
            } catch (const ENwReadLnMaxLineLengthExceeded& e) {
              EXPECT_STREQ(e.what(), "Max line length exceeded.");
              throw;
            }
          },
          ENwReadLnMaxLineLengthExceeded);
    } else {
      // The script is used up: the peer has closed.
      EXPECT_THROW(s.connection.ReadLn(), ENwConnClosedGracefully);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ReceiveSizes, NetLineReadTest, ::testing::Values(1, 3, 32768));

TEST(NetTcpConnection, OtherTerminatorKeepsTheCarriageReturn) {
  Scripted s("ab\r|cd|", 2);
  EXPECT_EQ(s.connection.ReadLn("|"), "ab\r");
  EXPECT_EQ(s.connection.ReadLn("|"), "cd");
}

TEST(NetTcpConnection, CountedReadsAndCloseMidway) {
  Scripted s(std::string("\x00\x00\x01\x02", 4) + "hello" + "wor", 2);
  EXPECT_EQ(s.connection.ReadCardinal(), 0x0102u);
  EXPECT_EQ(s.connection.ReadString(5), "hello");
  // Three bytes are buffered but five are wanted: the close is raised.
  EXPECT_THROW(s.connection.ReadString(5), ENwConnClosedGracefully);
}

TEST(NetTcpConnection, ReadStreamCountedUntilCloseAndLengthPrefixed) {
  {
    Scripted s("0123456789tail", 3);
    TNwMemoryStream out;
    s.connection.ReadStream(out, 10);
    EXPECT_EQ(out.DataString(), "0123456789");
    EXPECT_EQ(s.connection.ReadString(4), "tail");
  }
  {
    Scripted s(std::string(100000, 'q'), 4096);
    TNwMemoryStream out;
    s.connection.ReadStream(out, -1, true);
    EXPECT_EQ(out.DataString().size(), 100000u);
    EXPECT_FALSE(s.connection.Connected());
  }
  {
    Scripted s(std::string("\x00\x00\x00\x03", 4) + "abcdef", 1);
    TNwMemoryStream out;
    s.connection.ReadStream(out);
    EXPECT_EQ(out.DataString(), "abc");
  }
  {
    Scripted s("abc", 1);
    TNwMemoryStream out;
    EXPECT_THROW(s.connection.ReadStream(out, 5), ENwConnClosedGracefully);
    // What came is kept, and nothing pads it to the announced size.
    EXPECT_EQ(out.DataString(), "abc");
  }
}

// A stream that claims more bytes than it yields.
class ShortStream : public TNwMemoryStream {
 public:
  std::int64_t Size() override { return 100; }
};

TEST(NetTcpConnection, WritesGoOutInOnePieceThroughTheWriteBuffer) {
  Scripted s("", 1);
  s.connection.OpenWriteBuffer();
  s.connection.Write("head");
  s.connection.WriteLn(" line");
  EXPECT_EQ(s.handler.Sent(), "");
  s.connection.CloseWriteBuffer();
  EXPECT_EQ(s.handler.Sent(), "head line\r\n");

  ShortStream short_stream;
  short_stream.Write("12345", 5);
  try {
    s.connection.WriteStream(short_stream);
    FAIL() << "no error";
  } catch (const ENwNoDataToRead& e) {
    EXPECT_STREQ(e.what(), "No data to read.");
  }

  // A stream goes out in SendBufferSize pieces, one send each.
  Scripted pieces("", 1);
  TNwMemoryStream file;
  file.Write(std::string(70000, 'f').data(), 70000);
  pieces.connection.WriteStream(file);
  EXPECT_EQ(pieces.handler.SendSizes(), (std::vector<std::size_t>{32768, 32768, 4464}));
}

TEST(NetTcpConnection, NotConnectedAndAlreadyConnected) {
  TNwTCPClient client;
  try {
    client.Write("x");
    FAIL() << "no error";
  } catch (const ENwNotConnected& e) {
    EXPECT_STREQ(e.what(), "Not Connected");
  }
  client.Disconnect();  // harmless

  FakeServer server({[](FakePeer& p) { p.WaitForClientClose(); }});
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  try {
    client.Connect();
    FAIL() << "no error";
  } catch (const ENwAlreadyConnected& e) {
    EXPECT_STREQ(e.what(), "Already connected.");
  }
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_TRUE(server.Finish());
}

TEST(NetTcpConnection, LineThenCloseOverASocket) {
  FakeServer server({[](FakePeer& p) {
    p.Send("abc\r\n");
    p.Close();
  }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "abc");
  try {
    client.ReadLn();
    FAIL() << "no error";
  } catch (const ENwConnClosedGracefully& e) {
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
  }
  EXPECT_FALSE(client.Connected());
  // The same object connects again, starting from an empty input buffer.
  FakeServer second({[](FakePeer& p) { p.Send("again\n"); }});
  client.Port = second.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "again");
}

TEST(NetTcpConnection, TwentyThousandBytesWithoutLineFeedOverASocket) {
  FakeServer server({[](FakePeer& p) {
    p.Send(std::string(20000, 'a'));
    p.WaitForClientClose();
  }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  EXPECT_THROW(client.ReadLn(), ENwReadLnMaxLineLengthExceeded);
  client.Disconnect();
}

TEST(NetTcpConnection, ConnectFailuresCarryWindowsSocketsCodes) {
  testing::RefusingPort refusing;
  struct Case {
    std::string host;
    int port;
    int code;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"127.0.0.1", refusing.Port(), 10061, "Connection refused."},
      // A name's failed lookup is checked with a lookup of the test's own,
      // so that the answer does not depend on the machine's resolver.
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    TNwTCPClient client;
    client.Host = c.host;
    client.Port = c.port;
    try {
      client.Connect();
      FAIL() << "connected";
    } catch (const ENwSocketError& e) {
      EXPECT_EQ(e.LastError(), c.code);
      EXPECT_EQ(std::string(e.what()), "Socket Error # " + std::to_string(c.code) + "\r\n" + c.text);
    }
    EXPECT_FALSE(client.Connected());
  }
  // With a positive time-out the refusal comes as a connect exception.
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = refusing.Port();
  try {
    client.Connect(TNwTimeLimit::Milliseconds(2000));
    FAIL() << "connected";
  } catch (const ENwConnectException& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
}

TEST(NetTcpConnection, PositiveConnectTimeOutEndsAStalledConnect) {
  // A listener whose accept queue is full drops further handshakes, so a
  // connect to it stalls until the time-out.
  testing::FullListener full;
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = full.Port();
  const auto start = Clock::now();
  try {
    client.Connect(TNwTimeLimit::Milliseconds(300));
    FAIL() << "connected";
  } catch (const ENwConnectTimeout& e) {
    EXPECT_STREQ(e.what(), "Connect timed out.");
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_FALSE(client.Connected());
}

TEST(NetTcpConnection, OnlyNamesGoThroughTheLookup) {
  struct Case {
    const char* host;
    bool looked_up;
  };
  for (const Case c : {Case{"127.0.0.1", false}, Case{"LocalHost", false}, Case{"127.0.1", true}}) {
    SCOPED_TRACE(c.host);
    FakeServer server({[](FakePeer& p) { p.WaitForClientClose(); }});
    TNwTCPClient client;
    std::vector<std::string> statuses;
    client.OnStatus = [&](TNwStatus, const std::string& text) { statuses.push_back(text); };
    client.Host = c.host;
    client.Port = server.Port();
    client.Connect();
    client.Disconnect();
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[0] == std::string("Resolving hostname ") + c.host + ".", c.looked_up);
    EXPECT_EQ(statuses[c.looked_up ? 1 : 0], "Connecting to 127.0.0.1.");
    EXPECT_TRUE(server.Finish());
  }
}

TEST(NetTcpConnection, ReadTimeoutBoundsASilentServer) {
  FakeServer server({[](FakePeer& p) { p.WaitForClientClose(std::chrono::seconds(20)); }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.ReadTimeout = TNwTimeLimit::Milliseconds(2000);
  client.Connect();
  const auto start = Clock::now();
  try {
    client.ReadString(1);
    FAIL() << "no time-out";
  } catch (const ENwReadTimeout& e) {
    EXPECT_STREQ(e.what(), "Read Timeout");
  }
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_GE(waited, 1900);
  EXPECT_LT(waited, 4000);
  // A line read does not raise: it gives an empty line and says so.
  client.ReadTimeout = TNwTimeLimit::Milliseconds(200);
  EXPECT_EQ(client.ReadLn(), "");
  EXPECT_TRUE(client.ReadLnTimedOut());
  client.Disconnect();
}

TEST(NetTcpConnection, NoReadTimeoutWaitsForALateAnswer) {
  FakeServer server({[](FakePeer& p) {
    p.ReadExactly(2);  // the client's go-ahead
    p.Send("late\n");
  }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.ReadFromStack(TNwClosedAction::caReturnZero, TNwTimeLimit::Milliseconds(100),
                                 TNwTimeoutAction::taReturnMinusOne), -1);  // nothing yet
  client.Write("go");
  EXPECT_EQ(client.ReadLn(), "late");
}

TEST(NetTcpConnection, AcceptedSocketServesAsAConnection) {
  // The way a data channel takes its one connection: listen, accept, adopt.
  auto listening = std::make_unique<TNwSocketHandle>();
  listening->AllocateSocket();
  listening->Bind("127.0.0.1", 0);
  listening->Listen(15);
  EXPECT_EQ(listening->IP(), "127.0.0.1");
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = listening->Port();
  client.Connect();
  auto accepted = std::make_unique<TNwSocketHandle>();
  ASSERT_TRUE(listening->Accept(*accepted, TNwTimeLimit::Milliseconds(5000)));
  EXPECT_EQ(accepted->PeerPort(), client.SocketHandler()->Binding()->Port());
  auto handler = std::make_unique<TNwIOHandlerSocket>();
  handler->AdoptBinding(std::move(accepted));
  TNwTCPConnection data;
  data.AdoptIOHandler(std::move(handler));
  client.WriteLn("STOR bytes");
  EXPECT_EQ(data.ReadLn(), "STOR bytes");
  data.Disconnect();
  EXPECT_THROW(client.ReadLn(), ENwConnClosedGracefully);
  EXPECT_FALSE(listening->Accept(*std::make_unique<TNwSocketHandle>(), TNwTimeLimit::Milliseconds(10)));
}

TEST(NetSocketErrors, MessagesAndErrnoMapping) {
  EXPECT_EQ(SocketErrorMessage(10054), "Socket Error # 10054\r\nConnection reset by peer.");
  EXPECT_EQ(SocketErrorMessage(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(SocketErrorMessage(12345), "Socket Error # 12345\r\n");
  EXPECT_EQ(WinsockCodeFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WinsockCodeFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(WinsockCodeFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(WinsockCodeFromErrno(EHOSTUNREACH), 10065);
  ENwWS2StubError no_code(0, "Error on call Winsock2 library function socket");
  EXPECT_STREQ(no_code.what(), "Error on call Winsock2 library function socket");
}

}  // namespace
}  // namespace vantora
