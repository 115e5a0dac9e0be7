#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/fake_server.h"
#include "tests/net/ftp_script_peer.h"
#include "net/nw_exceptions.h"
#include "net/nw_ftp.h"
#include "net/nw_stream.h"
#include "tests/framework/open_descriptors.h"
#include "tests/framework/temp_dir.h"

// The FTP client against scripted servers on loopback: login, active-mode
// stores, every way a server can fail or misbehave, and the exact bytes of a
// whole session.
namespace vantora {
namespace {

using testing::DataLink;
using testing::FakePeer;
using testing::FakeServer;
using testing::FtpScriptPeer;
using testing::FtpTranscript;
using Script = std::function<void(FtpScriptPeer&)>;

// One client against scripted sessions, one script per control connection.
// Short bounds keep the time-out cases quick.
class Session {
 public:
  explicit Session(std::vector<Script> scripts) {
    std::vector<FakeServer::Script> wrapped;
    for (auto& script : scripts) {
      wrapped.push_back([this, script](FakePeer& p) {
        FtpScriptPeer peer(p, transcript);
        script(peer);
      });
    }
    server = std::make_unique<FakeServer>(std::move(wrapped));
    ftp.Host = "127.0.0.1";
    ftp.Port = server->Port();
    ftp.Username = "anna";
    ftp.Password = "secret";
    ftp.ReplyTimeout = TNwTimeLimit::Milliseconds(1500);
    ftp.AcceptTimeout = TNwTimeLimit::Milliseconds(1500);
    ftp.TransferStallTimeout = TNwTimeLimit::Milliseconds(1500);
  }
  ~Session() {
    ftp.Disconnect();
    EXPECT_TRUE(server->Finish(std::chrono::seconds(30))) << "the scripted server did not finish";
  }

  FtpTranscript transcript;
  std::unique_ptr<FakeServer> server;
  TNwFTP ftp;
};

// Runs `action` and returns "" or the error's message; a protocol error
// gives "reply <code>".
std::string Outcome(const std::function<void()>& action) {
  try {
    action();
    return "";
  } catch (const ENwProtocolReplyError& e) {
    return "reply " + std::to_string(e.ReplyErrorCode());
  } catch (const std::exception& e) {
    return e.what();
  }
}

// A script step that ends with the server waiting for the client to leave,
// so every close the test sees is the client's own.
Script Then(Script script) {
  return [script](FtpScriptPeer& peer) {
    script(peer);
    peer.WaitForClientClose();
  };
}

struct ConnectCase {
  const char* name;
  Script server;
  std::string commands;  // exactly what the server must have read ("?": not checked)
  std::string outcome;   // "" or the error ("|" separates acceptable ones)
  bool connected_after;
};

bool OutcomeMatches(const std::string& got, const std::string& wanted) {
  if (wanted.empty()) return got.empty();
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = wanted.find('|', start);
    const std::string one = wanted.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    if (!got.empty() && got.find(one) != std::string::npos) return true;
    if (bar == std::string::npos) return false;
    start = bar + 1;
  }
}

constexpr const char* kClosed = "Connection Closed Gracefully.|Socket Error #";

// A wait hook that notes when it runs and, once `throw_after` has passed,
// throws, as a dialog closed mid-run would.
struct HookCalls {
  explicit HookCalls(TNwFTP& ftp, std::chrono::milliseconds throw_after = std::chrono::hours(1)) : ftp_(ftp) {
    ftp.WaitHook = [this, throw_after] {
      at.push_back(std::chrono::steady_clock::now());
      if (at.back() - at.front() > throw_after) throw std::runtime_error("The dialog was closed.");
    };
  }
  ~HookCalls() { ftp_.WaitHook = nullptr; }
  // The longest stretch without a call, from the start to now.
  std::chrono::steady_clock::duration LongestGap() {
    at.push_back(std::chrono::steady_clock::now());
    std::chrono::steady_clock::duration longest{};
    for (std::size_t i = 1; i < at.size(); ++i) longest = std::max(longest, at[i] - at[i - 1]);
    return longest;
  }
  TNwFTP& ftp_;
  std::vector<std::chrono::steady_clock::time_point> at{std::chrono::steady_clock::now()};
};
// The hook's interval, and what a loaded machine may add to it.
constexpr auto kHookGapAllowed = std::chrono::milliseconds(300);

TEST(NetFtpSession, ConnectAndLoginCases) {
  const std::vector<ConnectCase> cases = {
      {"three-line greeting, USER 331, PASS 230",
       Then([](FtpScriptPeer& p) {
         p.Send("220-Welcome\r\n220-Second line\r\n220 Ready\r\n");
         p.Answer("USER", "331 Password required.\r\n");
         p.Answer("PASS", "230 Logged in.\r\n");
         p.Answer("TYPE", "200 Type set to I.\r\n");
         p.Answer("SYST", "215 UNIX Type: L8\r\n");
       }),
       "USER anna\r\nPASS secret\r\nTYPE I\r\nSYST\r\n", "", true},
      {"USER answered 230 sends no PASS",
       Then([](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "230 No password needed.\r\n");
         p.Answer("TYPE", "200 ok\r\n");
         p.Answer("SYST", "215 UNIX\r\n");
       }),
       "USER anna\r\nTYPE I\r\nSYST\r\n", "", true},
      {"SYST 500 goes on",
       Then([](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "230 ok\r\n");
         p.Answer("TYPE", "200 ok\r\n");
         p.Answer("SYST", "500 Unknown command.\r\n");
       }),
       "USER anna\r\nTYPE I\r\nSYST\r\n", "", true},
      {"SYST 502 fails and closes",
       Then([](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "230 ok\r\n");
         p.Answer("TYPE", "200 ok\r\n");
         p.Answer("SYST", "502 Not implemented.\r\n");
       }),
       "USER anna\r\nTYPE I\r\nSYST\r\n", "reply 502", false},
      {"greeting 421", Then([](FtpScriptPeer& p) { p.Send("421 Too many users.\r\n"); }), "", "reply 421", false},
      {"PASS 530",
       Then([](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "331 Password required.\r\n");
         p.Answer("PASS", "530 Login incorrect.\r\n");
       }),
       "USER anna\r\nPASS secret\r\n", "reply 530", false},
      {"TYPE refused",
       Then([](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "230 ok\r\n");
         p.Answer("TYPE", "504 Not for that type.\r\n");
       }),
       "USER anna\r\nTYPE I\r\n", "reply 504", false},
      {"garbage greeting", Then([](FtpScriptPeer& p) { p.Send(std::string("\x01\xff garbage \x7f\r\n", 14)); }), "",
       "reply 0", false},
      {"20000-byte greeting", Then([](FtpScriptPeer& p) { p.Send("220 " + std::string(20000, 'w') + "\r\n"); }), "",
       "Max line length exceeded.", false},
      {"endless greeting lines",
       Then([](FtpScriptPeer& p) {
         p.Send("220-Welcome\r\n");
         const std::string line = "220-" + std::string(500, 'e') + "\r\n";
         for (int i = 0; i < 3000; ++i) p.Send(line);
       }),
       "", "1048576 bytes", false},
      {"silent server", Then([](FtpScriptPeer&) {}), "", "Read Timeout", false},
      // Whether USER reached the server before it closed is a race.
      {"close after the greeting", [](FtpScriptPeer& p) { p.Send("220 Ready\r\n"); }, "?", kClosed, false},
      {"close after USER",
       [](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Command();
       },
       "USER anna\r\n", kClosed, false},
      {"close after PASS",
       [](FtpScriptPeer& p) {
         p.Send("220 Ready\r\n");
         p.Answer("USER", "331 Password required.\r\n");
         p.Command();
       },
       "USER anna\r\nPASS secret\r\n", kClosed, false},
  };
  for (const ConnectCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s({c.server});
    const auto started = std::chrono::steady_clock::now();
    const std::string outcome = Outcome([&] { s.ftp.Connect(true); });
    EXPECT_TRUE(OutcomeMatches(outcome, c.outcome)) << "got: " << outcome;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(s.ftp.Connected(), c.connected_after);
    s.ftp.Disconnect();
    ASSERT_TRUE(s.server->Finish(std::chrono::seconds(30)));
    if (c.commands != "?") {
      EXPECT_EQ(s.transcript.Commands(), c.commands);
    }
  }
}

// Where the bytes of a store come from: the file, or a stream that claims
// more than it yields (a photo that shrank), ending early or failing.
enum class Source { kFile, kEndsEarly, kReadFails };

class ShrunkSource : public TNwMemoryStream {
 public:
  ShrunkSource(const std::string& bytes, bool fails) : fails_(fails) {
    Write(bytes.data(), static_cast<std::int64_t>(bytes.size()) / 2);
    SetPosition(0);
    claimed_ = static_cast<std::int64_t>(bytes.size());
  }
  std::int64_t Size() override { return claimed_; }
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = TNwMemoryStream::Read(buffer, count);
    if (n == 0 && fails_) throw std::runtime_error("The photo cannot be read.");
    return n;
  }

 private:
  bool fails_;
  std::int64_t claimed_ = 0;
};

struct PutCase {
  const char* name;
  std::size_t file_size;
  Script server;  // after the login
  std::string outcome;
  bool connected_after;
  // How the client ended the data connection the server recorded, or
  // kNoDataConnection: the server recorded none.
  std::optional<testing::DataEnd> data_end = testing::DataEnd::kOrderly;
  Source source = Source::kFile;
  bool hook_throws = false;
};

constexpr std::nullopt_t kNoDataConnection = std::nullopt;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

TEST(NetFtpSession, StoreCases) {
  auto store_with = [](std::string stor_reply, std::string final_replies) {
    return [stor_reply, final_replies](FtpScriptPeer& p) {
      p.AnswerPort();
      p.Answer("STOR", stor_reply);
      p.ReceiveFile();
      p.Send(final_replies);
    };
  };
  const Script stalls = [](FtpScriptPeer& p) {
    p.AnswerPort();
    p.Answer("STOR", "150 Opening.\r\n");
    DataLink link(p.DataPort());
    p.WaitForClientClose();
    p.ReceiveFile(link);
  };
  const std::vector<PutCase> cases = {
      {"226 after the file", 30000, store_with("150 Opening.\r\n", "226 Done.\r\n"), "", true},
      {"125 then 250", 1000, store_with("125 Already open.\r\n", "250 Done.\r\n"), "", true},
      {"zero-byte file", 0, store_with("150 Opening.\r\n", "226 Done.\r\n"), "", true},
      // A transfer the server gave up stays failed whatever it says next;
      // a follow-up reply is read (the session stays in step), and without
      // one the session ends.
      {"426 then 226 fails", 1000, store_with("150 Opening.\r\n", "426 Aborted.\r\n226 Closed.\r\n"), "reply 426",
       true},
      {"450 then 225 fails", 1000, store_with("150 Opening.\r\n", "450 Busy.\r\n225 Closed.\r\n"), "reply 450", true},
      {"426 then 451 fails", 1000, store_with("150 Opening.\r\n", "426 Aborted.\r\n451 Local error.\r\n"),
       "reply 426", true},
      {"426 alone fails and ends the session", 1000, store_with("150 Opening.\r\n", "426 Aborted.\r\n"), "reply 426",
       false},
      {"final 552 fails, still logged in", 1000, store_with("150 Opening.\r\n", "552 Quota exceeded.\r\n"),
       "reply 552", true},
      {"final 421 ends the session", 1000, store_with("150 Opening.\r\n", "421 Shutting down.\r\n"), "reply 421",
       false},
      {"PORT refused",
       1000,
       [](FtpScriptPeer& p) { p.AnswerPort("500 Illegal PORT command.\r\n"); },
       "reply 500", true, kNoDataConnection},
      {"PORT answered 421", 1000, [](FtpScriptPeer& p) { p.AnswerPort("421 Timeout.\r\n"); }, "reply 421", false,
       kNoDataConnection},
      // Only a whole line of text answers before the data connection comes.
      {"blank line with the 150", 1000, store_with("150 Opening.\r\n\r\n", "226 Done.\r\n"), "", true},
      {"blank line, then partial line while waiting",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         p.Send(" \r\n");
         p.Send("22");
         std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the client see them first
         p.ReceiveFile();
         p.Send("6 Done.\r\n");
       },
       "", true},
      {"blank lines only, never connects",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n\r\n");
         p.Send("\r\n\r\n");
       },
       "Accept timed out.", false, kNoDataConnection},
      {"STOR 550, never connects",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "550 Permission denied.\r\n");
       },
       "reply 550", true, kNoDataConnection},
      {"425 before connecting",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         p.Send("425 Can't open data connection.\r\n");
       },
       "reply 425", true, kNoDataConnection},
      {"never connects back",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
       },
       "Accept timed out.", false, kNoDataConnection},
      {"no final reply", 1000, store_with("150 Opening.\r\n", ""), "Read Timeout", false},
      {"garbled final reply", 1000, store_with("150 Opening.\r\n", "226 " + std::string(20000, 'g') + "\r\n"),
       "Max line length exceeded.", false},
      // The PORT is read unanswered, so that its port is checked closed.
      {"close after PORT", 1000, [](FtpScriptPeer& p) { p.AnswerPort(""); p.Close(); }, kClosed, false,
       kNoDataConnection},
      {"close after STOR",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Command();
         p.Close();
       },
       kClosed, false, kNoDataConnection},
      {"close during the data transfer",
       24 << 20,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         DataLink link(p.DataPort());
         link.ReadSome(100000);
         link.Close();
         p.Close();
       },
       kClosed, false, kNoDataConnection},
      {"close before the final reply",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         p.ReceiveFile();
         p.Close();
       },
       kClosed, false},
      {"data connection from nowhere, then silence",
       1000,
       [](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         DataLink stranger(p.DataPort());
         stranger.Close();
       },
       "Read Timeout|Socket Error #", false, kNoDataConnection},
      // A transfer the client gives up ends with a reset, never with the
      // close that would mark the part sent as the whole file.
      {"server stops taking the file", 24 << 20, stalls, "Socket Error # 10060", false, testing::DataEnd::kReset},
      {"the wait hook throws", 24 << 20, stalls, "The dialog was closed.", false, testing::DataEnd::kReset,
       Source::kFile, true},
      {"the photo ends early", 100000, store_with("150 Opening.\r\n", ""), "No data to read.", false,
       testing::DataEnd::kReset, Source::kEndsEarly},
      {"the photo cannot be read further", 100000, store_with("150 Opening.\r\n", ""), "The photo cannot be read.",
       false, testing::DataEnd::kReset, Source::kReadFails},
  };
  testing::TempDir folder;
  const int fds_before = testing::OpenFileDescriptors();
  for (const PutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = Pattern(c.file_size);
    const std::string local = folder.File("photo.jpg", bytes);
    Session s({[&c](FtpScriptPeer& p) {
      if (!p.Login()) return;
      c.server(p);
      p.WaitForClientClose();
    }});
    ASSERT_EQ(Outcome([&] { s.ftp.Connect(true); }), "");
    const auto started = std::chrono::steady_clock::now();
    ShrunkSource shrunk(bytes, c.source == Source::kReadFails);
    HookCalls hook(s.ftp, c.hook_throws ? std::chrono::milliseconds(300) : std::chrono::hours(1));
    const std::string outcome = Outcome([&] {
      if (c.source == Source::kFile) s.ftp.Put(local, "photo.jpg");
      else s.ftp.Put(shrunk, "photo.jpg");
    });
    EXPECT_TRUE(OutcomeMatches(outcome, c.outcome)) << "got: " << outcome;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_LT(hook.LongestGap(), kHookGapAllowed);  // accept, replies, room to send
    EXPECT_EQ(s.ftp.Connected(), c.connected_after);
    s.ftp.Disconnect();
    ASSERT_TRUE(s.server->Finish(std::chrono::seconds(30)));
    if (c.outcome.empty()) {
      ASSERT_EQ(s.transcript.Files().size(), 1u);
      EXPECT_TRUE(s.transcript.Files()[0] == bytes) << "the file arrived changed";
    }
    EXPECT_EQ(s.transcript.FileEnds(),
              c.data_end ? std::vector<testing::DataEnd>{*c.data_end} : std::vector<testing::DataEnd>{});
    // Whatever happened, the data port no longer takes connections.
    for (int port : s.transcript.DataPorts()) EXPECT_FALSE(DataLink(port).Connected()) << "port " << port;
  }
  // No listener, data connection or file is left open by any of the cases.
  EXPECT_EQ(testing::OpenFileDescriptors(), fds_before);
}

// Two files over one login, as the batch upload stores them, byte for byte:
// one from a path, one from a stream.
TEST(NetFtpSession, TwoFileDialogueOnTheWire) {
  testing::TempDir folder;
  const std::string first_bytes("first\r\n\0\xff\n", 10);
  const std::string second_bytes = Pattern(70000);
  const std::string first = folder.File("a.jpg", first_bytes);
  // The second comes from memory, from where its stream stands to its end.
  TNwMemoryStream second;
  second.Write("skip", 4);
  second.Write(second_bytes.data(), static_cast<std::int64_t>(second_bytes.size()));
  second.SetPosition(4);
  Session s({[](FtpScriptPeer& p) {
    p.Send("220-Vantora test server\r\n220 Ready.\r\n");
    p.Answer("USER", "331 Password required for 11010119900101123X.\r\n");
    p.Answer("PASS", "230 User logged in.\r\n");
    p.Answer("TYPE", "200 Type set to I.\r\n");
    p.Answer("SYST", "215 UNIX Type: L8\r\n");
    p.StoreOne();
    p.StoreOne();
    p.Command();  // nothing more may come before the close: no QUIT
  }});
  s.ftp.Username = "11010119900101123X";
  s.ftp.Password = "pass word";
  s.ftp.Connect(true);
  s.ftp.Put(first, "11010119900101123X.jpg");
  s.ftp.Put(second, "b.jpg");
  EXPECT_EQ(s.ftp.LastCmdResult().NumericCode, 226);
  EXPECT_EQ(s.ftp.LastCmdResult().Text, std::vector<std::string>{"Transfer complete."});
  s.ftp.Disconnect();
  ASSERT_TRUE(s.server->Finish(std::chrono::seconds(30)));

  const std::vector<int> ports = s.transcript.DataPorts();
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_NE(ports[0], ports[1]) << "each file gets a fresh listening port";
  auto port_text = [](int port) { return std::to_string(port / 256) + "," + std::to_string(port % 256); };
  EXPECT_EQ(s.transcript.Commands(),
            "USER 11010119900101123X\r\n"
            "PASS pass word\r\n"
            "TYPE I\r\n"
            "SYST\r\n"
            "PORT 127,0,0,1," + port_text(ports[0]) + "\r\n"
            "STOR 11010119900101123X.jpg\r\n"
            "PORT 127,0,0,1," + port_text(ports[1]) + "\r\n"
            "STOR b.jpg\r\n");
  const auto files = s.transcript.Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0] == first_bytes);
  EXPECT_TRUE(files[1] == second_bytes);
}

// The data port is opened on the address the control connection uses and
// takes one connection, from the server's address only: a third party that
// comes first is reset and gets nothing, and a second connection during the
// transfer is refused.
TEST(NetFtpSession, DataPortTakesOneConnectionFromTheServerOnly) {
  testing::TempDir folder;
  const std::string bytes = Pattern(8 << 20);
  const std::string local = folder.File("big.jpg", bytes);
  auto second_refused = std::make_shared<bool>(false);
  auto received = std::make_shared<std::string>();
  Session s({Then([second_refused, received](FtpScriptPeer& p) {
    p.Login();
    p.AnswerPort();
    p.Answer("STOR", "150 Opening.\r\n");
    DataLink stranger(p.DataIP(), p.DataPort(), "127.0.0.2");
    EXPECT_TRUE(stranger.Connected());
    p.ReceiveFile(stranger);
    DataLink link(p.DataIP(), p.DataPort());
    *received = link.ReadSome(1);
    *second_refused = !DataLink(p.DataIP(), p.DataPort()).Connected();
    *received += link.ReadUntilClose();
    p.Send("226 Done.\r\n");
  })});
  s.ftp.BoundIP = "127.0.0.3";
  s.ftp.Connect(true);
  s.ftp.Put(local, "big.jpg");
  s.ftp.Disconnect();
  ASSERT_TRUE(s.server->Finish(std::chrono::seconds(30)));
  EXPECT_NE(s.transcript.Commands().find("PORT 127,0,0,3,"), std::string::npos) << s.transcript.Commands();
  EXPECT_TRUE(*second_refused);
  EXPECT_TRUE(*received == bytes);
  EXPECT_EQ(s.transcript.Files(), std::vector<std::string>{""});
  EXPECT_EQ(s.transcript.FileEnds(), std::vector<testing::DataEnd>{testing::DataEnd::kReset});
}

TEST(NetFtpSession, LineBreaksAndNulInArgumentsAreRefusedBeforeAnythingIsWritten) {
  for (const std::string& user : {std::string("anna\r\nDELE x.jpg"), std::string("anna\nX"), std::string("ann\0a", 5)}) {
    Session s({});
    s.ftp.Username = user;
    EXPECT_NE(Outcome([&] { s.ftp.Connect(true); }).find("not allowed in the user name"), std::string::npos);
    EXPECT_FALSE(s.ftp.Connected());
    EXPECT_EQ(s.server->Accepted(), 0);
  }
  testing::TempDir folder;
  const std::string local = folder.File("ok.jpg", "ok");
  Session s({Then([](FtpScriptPeer& p) {
    p.Login();
    p.StoreOne();
  })});
  s.ftp.Connect(true);
  for (const std::string& name : {std::string("a.jpg\r\nDELE b.jpg"), std::string("a\n.jpg"), std::string("a\0.jpg", 6)}) {
    EXPECT_NE(Outcome([&] { s.ftp.Put(local, name); }).find("not allowed in the file name"), std::string::npos);
  }
  EXPECT_NE(Outcome([&] { s.ftp.Put(folder.File("x", "") + ".missing", "x.jpg"); }), "");
  EXPECT_TRUE(s.ftp.Connected());
  EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "ok.jpg"); }), "");
  s.ftp.Disconnect();
  ASSERT_TRUE(s.server->Finish(std::chrono::seconds(30)));
  const std::string commands = s.transcript.Commands();
  EXPECT_EQ(commands.substr(commands.find("SYST\r\n") + 6, 5), "PORT ");
  EXPECT_EQ(commands.substr(commands.size() - 13), "STOR ok.jpg\r\n");
  EXPECT_EQ(commands.find("DELE"), std::string::npos);
}

// An abort notice, before the data connection or after the file, may come
// with a second reply; the next file must not get it as the answer to its
// PORT.
TEST(NetFtpSession, AnAbortNoticeLeavesNoReplyUnread) {
  const Script before = [](FtpScriptPeer& p) {
    p.Answer("STOR", "150 Opening.\r\n");
    p.Send("426 Connection closed; transfer aborted.\r\n226 Abort successful.\r\n");
  };
  const Script after = [](FtpScriptPeer& p) {
    p.Answer("STOR", "150 Opening.\r\n");
    p.ReceiveFile();
    p.Send("426 Connection closed; transfer aborted.\r\n");
    p.Send("226 Abort successful.\r\n");
  };
  testing::TempDir folder;
  const std::string local = folder.File("p.jpg", "photo");
  for (const Script& notice : {before, after}) {
    Session s({[notice](FtpScriptPeer& p) {
      p.Login();
      p.AnswerPort();
      notice(p);
      p.StoreOne();
      p.Command();
    }});
    s.ftp.Connect(true);
    EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "reply 426");
    EXPECT_TRUE(s.ftp.Connected());
    EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "");
    EXPECT_EQ(s.transcript.Files().back(), "photo");
  }
}

// A server that answers a failed transfer late must not have that answer
// read as the next file's: the control connection is dropped, the next store
// fails at once, and a new login stores it.
TEST(NetFtpSession, AFailureWithItsReplyUnreadDropsTheControlConnection) {
  testing::TempDir folder;
  const std::string local = folder.File("p.jpg", "photo");
  Session s({[](FtpScriptPeer& p) {
               p.Login();
               p.AnswerPort();
               p.Answer("STOR", "150 Opening.\r\n");
               p.WaitForClientClose();
               p.Send("425 Can't open data connection.\r\n");
             },
             Then([](FtpScriptPeer& p) {
               p.Login();
               p.StoreOne();
             })});
  s.ftp.Connect(true);
  EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "Accept timed out.");
  EXPECT_FALSE(s.ftp.Connected());
  EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "Not Connected");
  s.ftp.Connect(true);
  EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "");
  EXPECT_EQ(s.transcript.Files(), std::vector<std::string>{"photo"});
}

// A server that ended the session between stores (an idle time-out with or
// without its 421, a late reply) is noticed at once, before any command, so
// the next store logs in afresh instead of failing.
TEST(NetFtpSession, AServerThatLeftBetweenStoresIsNoticedBeforeTheNext) {
  struct Case {
    const char* name;
    std::string said;  // after the first store's 226
    bool closes;
    int last_code;  // LastCmdResult() once noticed
  };
  testing::TempDir folder;
  const std::string local = folder.File("p.jpg", "photo");
  for (const Case& c : {Case{"421 and close", "421 Timeout.\r\n", true, 421},
                        Case{"close after the last 226", "", true, 226},
                        Case{"421, connection left open", "421-Idle\r\n421 Timeout.\r\n", false, 421},
                        Case{"a late reply", "226 Late.\r\n", false, 226}}) {
    SCOPED_TRACE(c.name);
    auto left = std::make_shared<std::promise<void>>();
    Session s({[&c, left](FtpScriptPeer& p) {
                 p.Login();
                 p.StoreOne();
                 p.Send(c.said);
                 if (c.closes) p.Close();
                 left->set_value();
                 if (!c.closes) p.WaitForClientClose();
               },
               Then([](FtpScriptPeer& p) {
                 p.Login();
                 p.StoreOne();
               })});
    s.ftp.Connect(true);
    ASSERT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "");
    ASSERT_EQ(left->get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    s.ftp.Connected();  // a question only: it reads nothing
    EXPECT_EQ(s.ftp.LastCmdResult().NumericCode, 226);
    const auto asked = std::chrono::steady_clock::now();
    s.ftp.DropSessionIfServerLeft();
    EXPECT_FALSE(s.ftp.Connected());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    EXPECT_EQ(s.ftp.LastCmdResult().NumericCode, c.last_code);
    s.ftp.Connect(true);
    EXPECT_EQ(Outcome([&] { s.ftp.Put(local, "p.jpg"); }), "");
    EXPECT_EQ(s.transcript.Files().size(), 2u);
  }
}

// A server that answers every command, only slowly, and a connect that is
// never answered: each whole operation ends at its own bound, however long
// the waits inside it may each be.
TEST(NetFtpSession, ConnectLoginAndStoreEndWithinTheirBounds) {
  const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  const auto slowly = [pause](FtpScriptPeer& p, const char* reply) {
    p.Command();
    pause(300);
    return p.Send(reply);
  };
  struct Case {
    const char* name;
    bool store;
    Script server;
    std::string outcome;
    int bound_ms;
  };
  const std::vector<Case> cases = {
      {"a connect nobody answers", false, nullptr, "Connect timed out.", 600},
      {"a login answered slowly", false,
       Then([pause, slowly](FtpScriptPeer& p) {
         pause(300);
         p.Send("220 Ready\r\n");
         slowly(p, "331 Password.\r\n") && slowly(p, "230 In.\r\n") && slowly(p, "200 I.\r\n");
       }),
       "Read Timeout", 800},
      {"a store answered slowly", true,
       [pause, slowly](FtpScriptPeer& p) {
         slowly(p, "200 PORT ok.\r\n");
         slowly(p, "150 Opening.\r\n");
         p.ReceiveFile();
         for (int i = 0; i < 50 && p.Send("226-Still storing\r\n"); ++i) pause(100);
       },
       "Read Timeout", 800},
      {"a transfer that creeps", true,
       [pause](FtpScriptPeer& p) {
         p.AnswerPort();
         p.Answer("STOR", "150 Opening.\r\n");
         DataLink link(p.DataPort());
         while (!link.ReadSome(1).empty()) pause(20);
       },
       "Socket Error # 10060", 800},
  };
  testing::TempDir folder;
  const std::string local = folder.File("big.jpg", Pattern(24 << 20));
  testing::FullListener full;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Script> scripts;
    if (c.server != nullptr) {
      scripts.push_back([&c](FtpScriptPeer& p) {
        if (c.store && !p.Login()) return;
        c.server(p);
        p.WaitForClientClose();
      });
    }
    Session s(scripts);
    if (c.server == nullptr) s.ftp.Port = full.Port();
    // Only the bound under test is short.
    TNwTimeLimit& bound = c.server == nullptr ? s.ftp.ConnectTimeout : c.store ? s.ftp.StoreTimeout : s.ftp.LoginTimeout;
    bound = TNwTimeLimit::Milliseconds(c.bound_ms);
    if (c.store) {
      ASSERT_EQ(Outcome([&] { s.ftp.Connect(true); }), "");
    }
    HookCalls hook(s.ftp);
    const auto started = std::chrono::steady_clock::now();
    const std::string outcome = Outcome([&] {
      if (c.store) s.ftp.Put(local, "big.jpg");
      else s.ftp.Connect(true);
    });
    EXPECT_LT(hook.LongestGap(), kHookGapAllowed);  // connect, replies, room to send
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(OutcomeMatches(outcome, c.outcome)) << "got: " << outcome;
    EXPECT_GE(took, std::chrono::milliseconds(c.bound_ms - 50));
    EXPECT_LT(took, std::chrono::milliseconds(c.bound_ms + 1000));
    EXPECT_FALSE(s.ftp.Connected());
  }
}

// A server that greets late (a reverse lookup against a dead resolver) is
// logged in as long as its greeting comes within a reply's limit. The
// client's bounds are their defaults scaled down by one factor, so the
// greetings stand for 25 s and 48 s.
TEST(NetFtpSession, AGreetingLateWithinAReplysLimitStillLogsIn) {
  constexpr int kScale = 30;
  const TNwFTP defaults;
  const auto scaled = [](TNwTimeLimit limit) { return TNwTimeLimit::Milliseconds(limit.Ms() / kScale); };
  for (const int greeting_s : {25, 48}) {
    SCOPED_TRACE(greeting_s);
    Session s({Then([greeting_s](FtpScriptPeer& p) {
      std::this_thread::sleep_for(std::chrono::milliseconds(greeting_s * 1000 / kScale));
      p.Login();
    })});
    s.ftp.ReplyTimeout = scaled(defaults.ReplyTimeout);
    s.ftp.ConnectTimeout = scaled(defaults.ConnectTimeout);
    s.ftp.LoginTimeout = scaled(defaults.LoginTimeout);
    EXPECT_EQ(Outcome([&] { s.ftp.Connect(true); }), "");
    EXPECT_TRUE(s.ftp.Connected());
  }
}

}  // namespace
}  // namespace vantora
