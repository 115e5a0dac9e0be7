#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "tests/net/fake_server.h"
#include "net/nw_exceptions.h"
#include "net/nw_http.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_socket.h"
#include "net/nw_socket_errors.h"
#include "net/nw_tcp_connection.h"

// Time limits, exchange deadlines, explicit line limits and who owns the
// handler: what keeps a hostile peer from holding or crashing the client.
namespace vantora {
namespace {

using testing::FakePeer;
using testing::FakeServer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

TEST(NetTimeLimit, ShorterEarlierAndRemaining) {
  const auto unlimited = TNwTimeLimit::Unlimited();
  const auto five = TNwTimeLimit::Milliseconds(5);
  EXPECT_TRUE(unlimited.IsUnlimited());
  EXPECT_EQ(unlimited.PollMs(), -1);
  EXPECT_EQ(TNwTimeLimit::Milliseconds(-3).PollMs(), 0);
  EXPECT_EQ(TNwTimeLimit::Milliseconds(1LL << 40).PollMs(), 0x7fffffff);
  EXPECT_EQ(TNwTimeLimit::Shorter(unlimited, five), five);
  EXPECT_EQ(TNwTimeLimit::Shorter(five, unlimited), five);
  EXPECT_EQ(TNwTimeLimit::Shorter(TNwTimeLimit::Milliseconds(9), five), five);
  EXPECT_TRUE(TNwTimeLimit::Shorter(unlimited, unlimited).IsUnlimited());

  EXPECT_TRUE(TNwDeadline::After(unlimited).IsNever());
  EXPECT_TRUE(TNwDeadline::Never().Remaining().IsUnlimited());
  const auto soon = TNwDeadline::After(TNwTimeLimit::Milliseconds(50'000));
  const auto later = TNwDeadline::After(TNwTimeLimit::Milliseconds(90'000));
  EXPECT_LE(TNwDeadline::Earlier(later, soon).Remaining().Ms(), 50'000);
  EXPECT_LE(TNwDeadline::Earlier(TNwDeadline::Never(), soon).Remaining().Ms(), 50'000);
  EXPECT_GT(soon.Remaining().Ms(), 40'000);
  EXPECT_TRUE(TNwDeadline::After(TNwTimeLimit::Milliseconds(0)).Passed());
  EXPECT_EQ(TNwDeadline::After(TNwTimeLimit::Milliseconds(0)).Remaining(), TNwTimeLimit::Milliseconds(0));
}

TEST(NetDeadline, ScopesNestAndPutTheOuterDeadlineBack) {
  TNwTCPConnection connection;
  EXPECT_TRUE(connection.ExchangeDeadline().IsNever());
  {
    TNwExchangeDeadline outer(connection, TNwTimeLimit::Milliseconds(1000));
    EXPECT_LE(connection.ExchangeDeadline().Remaining().Ms(), 1000);
    {
      // A longer inner limit cannot stretch the outer one.
      TNwExchangeDeadline inner(connection, TNwTimeLimit::Milliseconds(60'000));
      EXPECT_LE(connection.ExchangeDeadline().Remaining().Ms(), 1000);
    }
    {
      TNwExchangeDeadline inner(connection, TNwTimeLimit::Unlimited());
      EXPECT_FALSE(connection.ExchangeDeadline().IsNever());
    }
    EXPECT_FALSE(connection.ExchangeDeadline().IsNever());
  }
  EXPECT_TRUE(connection.ExchangeDeadline().IsNever());
}

// A peer that sends one byte just before each wait would run out: with a
// limit per receive only, it could stretch a read without end.
TEST(NetDeadline, ATricklingPeerCannotStretchAReadPastTheDeadline) {
  FakeServer server({[](FakePeer& p) {
    for (int i = 0; i < 100; ++i) {
      p.Send("x");
      if (p.WaitForClientClose(milliseconds(150))) return;
    }
  }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.ReadTimeout = TNwTimeLimit::Milliseconds(400);  // each byte comes well within it
  client.Connect();
  const auto start = Clock::now();
  {
    TNwExchangeDeadline exchange(client, TNwTimeLimit::Milliseconds(1000));
    try {
      client.ReadString(1000);
      FAIL() << "read past the deadline";
    } catch (const ENwReadTimeout& e) {
      EXPECT_STREQ(e.what(), "Read Timeout");
    }
  }
  EXPECT_GE(MsSince(start), 900);
  EXPECT_LT(MsSince(start), 5000);  // the peer would go on for 15 s
  client.Disconnect();
  EXPECT_TRUE(server.Finish());
}

// A peer that accepts and never reads: once the socket buffers are full a
// blocking send would wait for ever.
TEST(NetDeadline, APeerThatNeverReadsCannotHoldASend) {
  auto release = std::make_shared<std::atomic<bool>>(false);
  FakeServer server({[release](FakePeer& p) { p.Stall(*release, std::chrono::seconds(30)); }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  const std::string block(1 << 20, 'b');
  const auto start = Clock::now();
  try {
    TNwExchangeDeadline exchange(client, TNwTimeLimit::Milliseconds(1000));
    for (int i = 0; i < 256; ++i) client.Write(block);  // far beyond any socket buffer
    FAIL() << "256 MB went to a peer that reads nothing";
  } catch (const ENwSocketError& e) {
    EXPECT_EQ(e.LastError(), kWsaETimedOut);
    EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
  }
  EXPECT_GE(MsSince(start), 900);
  EXPECT_LT(MsSince(start), 10'000);
  // Part of the bytes went out: the connection is closed, not left half-sent.
  EXPECT_FALSE(client.Connected());
  *release = true;
  EXPECT_TRUE(server.Finish());
}

TEST(NetDeadline, ReadTimeoutAloneAlsoBoundsAWaitForRoomToSend) {
  TNwIOHandlerScripted handler("", 1);
  handler.MarkOpen();
  handler.LimitIntake(3);
  TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  connection.ReadTimeout = TNwTimeLimit::Milliseconds(50);
  EXPECT_THROW(connection.Write("abcdef"), ENwSocketError);
  EXPECT_EQ(handler.Sent(), "abc");
  EXPECT_FALSE(connection.Connected());
}

TEST(NetDeadline, APassedDeadlineEndsTheConnectToo) {
  testing::FullListener full;  // a connect to it stalls
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = full.Port();
  const auto start = Clock::now();
  TNwExchangeDeadline exchange(client, TNwTimeLimit::Milliseconds(300));
  EXPECT_THROW(client.Connect(), ENwConnectTimeout);  // unlimited by itself
  EXPECT_LT(MsSince(start), 5000);
}

// The HTTP client's connect bound ends a connect to a server that drops the
// packets long before the exchange's own bound would.
TEST(NetDeadline, TheHttpConnectBoundEndsASilentConnectWithinTheExchange) {
  testing::FullListener full;
  TNwHTTP http;
  http.ReadTimeout = TNwTimeLimit::Milliseconds(60000);
  http.ConnectTimeout = TNwTimeLimit::Milliseconds(300);
  TNwMemoryStream body;
  const auto start = Clock::now();
  EXPECT_THROW(http.Post("http://127.0.0.1:" + std::to_string(full.Port()) + "/x", body), ENwConnectTimeout);
  EXPECT_GE(MsSince(start), 250);
  EXPECT_LT(MsSince(start), 5000);
}

// A peer that has closed gets a send: the process must not die of SIGPIPE.
TEST(NetDeadline, SendingToAClosedPeerIsAnErrorNotASignal) {
  ASSERT_NE(std::signal(SIGPIPE, SIG_DFL), SIG_ERR);  // as a station process starts
  FakeServer server({[](FakePeer& p) { p.Close(); }});
  TNwTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  ASSERT_TRUE(server.Finish());
  const std::string block(1 << 16, 'p');
  try {
    for (int i = 0; i < 64; ++i) client.Write(block);
    FAIL() << "4 MB went to a closed peer";
  } catch (const ENwSocketError& e) {
    EXPECT_TRUE(e.LastError() == kWsaEConnReset || e.LastError() == kWsaEConnAborted) << e.LastError();
  } catch (const ENwConnClosedGracefully&) {
    // The close was noticed before the reset came back: just as good.
  }
  EXPECT_FALSE(client.Connected());
}

TEST(NetLineLimit, AnExplicitLimitHoldsEvenWhenMaxLineLengthIsOff) {
  const std::string endless(100'000, 'h');
  TNwIOHandlerScripted handler(endless, 4096);
  handler.MarkOpen();
  handler.HoldOpen();
  TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  connection.MaxLineLength = 0;
  EXPECT_THROW(connection.ReadLn(TNwLineLimit{1000, TNwMaxLineAction::maException}),
               ENwReadLnMaxLineLengthExceeded);
  // It stopped receiving within one receive of the limit.
  EXPECT_LE(handler.Consumed(), 1000u + 4096u);
  EXPECT_EQ(connection.ReadLn(TNwLineLimit{10, TNwMaxLineAction::maSplit}), "hhhhhhhhhh");
  EXPECT_TRUE(connection.ReadLnSplit());
  EXPECT_EQ(connection.LineLimit().MaxLength, std::string::npos);
  connection.MaxLineLength = 5;
  connection.MaxLineAction = TNwMaxLineAction::maSplit;
  EXPECT_EQ(connection.LineLimit().MaxLength, 5u);
  EXPECT_EQ(connection.LineLimit().Action, TNwMaxLineAction::maSplit);
}

// The connection must not reach into a handler it borrowed once either may
// be gone: destroying the handler first is the caller's right.
TEST(NetHandlerOwnership, ABorrowedHandlerMayDieBeforeTheConnection) {
  auto connection = std::make_unique<TNwTCPConnection>();
  auto handler = std::make_unique<TNwIOHandlerScripted>("line\n");
  handler->MarkOpen();
  connection->SetIOHandler(handler.get());
  EXPECT_FALSE(connection->OwnsIOHandler());
  EXPECT_EQ(connection->ReadLn(), "line");
  handler.reset();     // the owner lets go first
  connection.reset();  // AddressSanitizer reports any touch of the handler here
}

TEST(NetHandlerOwnership, AnAdoptedHandlerIsClosedAndFreedWithTheConnection) {
  FakeServer server({[](FakePeer& p) { EXPECT_TRUE(p.WaitForClientClose(std::chrono::seconds(10))); }});
  auto client = std::make_unique<TNwTCPClient>();
  client->Host = "127.0.0.1";
  client->Port = server.Port();
  client->Connect();
  EXPECT_TRUE(client->OwnsIOHandler());
  client.reset();  // the peer sees the close; LeakSanitizer sees any leak
  EXPECT_TRUE(server.Finish());
}

TEST(NetAddresses, FourDecimalsAreUsedAsTheyStandLeadingZerosIncluded) {
  struct Case {
    const char* text;
    bool valid;
    std::uint32_t host_order;
  };
  for (const Case c : {Case{"010.0.0.1", true, 0x0a000001u}, Case{"127.000.000.001", true, 0x7f000001u},
                       Case{"255.255.255.255", true, 0xffffffffu}, Case{"0.0.0.0", true, 0u},
                       Case{"256.0.0.1", false, 0}, Case{"1.2.3", false, 0}, Case{"1.2.3.4.5", false, 0},
                       Case{"0001.2.3.4", false, 0}, Case{"1..2.3", false, 0}, Case{"1.2.3.4 ", false, 0},
                       Case{"", false, 0}, Case{"a.b.c.d", false, 0}}) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParseDottedQuad(c.text);
    ASSERT_EQ(parsed.has_value(), c.valid);
    EXPECT_EQ(IsDottedQuad(c.text), c.valid);
    if (c.valid) {
      EXPECT_EQ(ntohl(*parsed), c.host_order);
    }
  }
  // And a connect to one reaches the server instead of failing with 10022.
  FakeServer server({[](FakePeer& p) { p.Send("hi\n"); }});
  TNwTCPClient client;
  client.Host = "127.000.000.001";
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "hi");
}

// Names go through the handler's lookup; the machine's resolver is never
// asked, so the outcome does not depend on it.
TEST(NetAddresses, NamesGoThroughTheHandlersLookup) {
  FakeServer server({[](FakePeer& p) { p.Send("found\n"); }});
  std::vector<std::string> asked;
  auto handler = std::make_unique<TNwIOHandlerSocket>();
  handler->HostLookup = [&](const std::string& host) -> std::string {
    asked.push_back(host);
    if (host == "station.test") return "127.0.0.1";
    RaiseSocketError(kWsaHostNotFound);
  };
  TNwTCPClient client;
  client.SetIOHandler(handler.get());
  client.Port = server.Port();
  client.Host = "no-such-host.test";
  try {
    client.Connect();
    FAIL() << "connected";
  } catch (const ENwSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
  }
  EXPECT_FALSE(client.Connected());
  client.Host = "station.test";
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "found");
  EXPECT_EQ(asked, (std::vector<std::string>{"no-such-host.test", "station.test"}));
  client.Disconnect();
  // The system lookup's failures map onto the same codes.
  EXPECT_EQ(WinsockCodeFromLookup(EAI_NONAME, 0), 11001);
  EXPECT_EQ(WinsockCodeFromLookup(EAI_AGAIN, 0), 11002);
}

}  // namespace
}  // namespace vantora
