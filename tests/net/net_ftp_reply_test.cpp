#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/nw_exceptions.h"
#include "net/nw_ftp_reply.h"
#include "net/nw_io_handler_scripted.h"

// The reply reader on canned server bytes, each case at several receive
// sizes: a reply split anywhere by the network must read the same.
namespace vantora {
namespace {

struct ReplyCase {
  const char* name;
  std::string bytes;
  int code;
  std::string text_code;
  std::vector<std::string> text;
  std::string left_over;  // what the next line read must return
};

const std::vector<ReplyCase>& ReplyCases() {
  static const std::vector<ReplyCase> cases = {
      {"three-line greeting", "220-Welcome\r\n220-Second line\r\n220 Ready\r\nNEXT\r\n", 220, "220",
       {"Welcome", "Second line", "Ready"}, "NEXT"},
      {"bare code ends a multi-line reply", "230-Hello\r\n230\r\nNEXT\r\n", 230, "230", {"Hello", ""}, "NEXT"},
      {"inner lines lose four characters whatever they start with",
       "250-First\r\nplain inner text\r\n  indented line\r\n250 End\r\nNEXT\r\n", 250, "250",
       {"First", "n inner text", "nted line", "End"}, "NEXT"},
      {"blank lines before and inside are skipped, spaces trimmed",
       "\r\n \r\n\t\r\n   211-Status\r\n\r\n   211 done  \r\nNEXT\r\n", 211, "211", {"Status", "done"}, "NEXT"},
      {"terminator compared without regard to case", "abc-one\r\nABC two\r\nNEXT\r\n", 0, "abc", {"one", "two"},
       "NEXT"},
      {"a different code does not end the reply", "220-a\r\n230 b\r\n220 c\r\nNEXT\r\n", 220, "220",
       {"a", "b", "c"}, "NEXT"},
      // Only the code and a space end a reply; short lines inside do not.
      {"short inner lines do not end the reply", "211-Features\r\n PB\r\n21\r\n211 End\r\nNEXT\r\n", 211, "211",
       {"Features", "", "", "End"}, "NEXT"},
      {"login banner with a rule line", "230-Welcome\r\n==\r\n230 Logged in\r\nNEXT\r\n", 230, "230",
       {"Welcome", "", "Logged in"}, "NEXT"},
      {"transfer reply with a short line", "226-Stored\r\nOK\r\n226 Done\r\n200 Next\r\n", 226, "226",
       {"Stored", "", "Done"}, "200 Next"},
      {"line feed alone ends a line", "200 Type set\n226 Next\n", 200, "200", {"Type set"}, "226 Next"},
      {"non-numeric first line", "hello there\r\nNEXT\r\n", 0, "hell", {"o there"}, "NEXT"},
      {"signed code is not a number", "+226 done\r\nNEXT\r\n", 0, "+226", {" done"}, "NEXT"},
      {"code alone", "220\r\nNEXT\r\n", 220, "220", {""}, "NEXT"},
      {"dash at the fourth character of a short line", "220-\r\n220 x\r\nNEXT\r\n", 220, "220", {"", "x"}, "NEXT"},
  };
  return cases;
}

class NetFtpReplyTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NetFtpReplyTest, RepliesParseWhateverTheReceiveSizes) {
  for (const ReplyCase& c : ReplyCases()) {
    SCOPED_TRACE(c.name);
    TNwIOHandlerScripted handler(c.bytes, GetParam());
    handler.MarkOpen();
    TNwTCPConnection connection;
    connection.SetIOHandler(&handler);
    const TNwRFCReply reply = ReadReply(connection);
    EXPECT_EQ(reply.NumericCode, c.code);
    EXPECT_EQ(reply.TextCode, c.text_code);
    EXPECT_EQ(reply.Text, c.text);
    EXPECT_EQ(connection.ReadLn(), c.left_over);
  }
}

INSTANTIATE_TEST_SUITE_P(ReceiveSizes, NetFtpReplyTest, ::testing::Values(1, 5, 32768));

template <typename Error>
void ExpectReadFails(const std::string& bytes, const char* message_part) {
  TNwIOHandlerScripted handler(bytes, 4096);
  handler.MarkOpen();
  TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  try {
    ReadReply(connection);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(message_part), std::string::npos) << e.what();
  }
}

TEST(NetFtpReply, BadInputEndsInTheNamedError) {
  ExpectReadFails<ENwConnClosedGracefully>("", "Connection Closed Gracefully.");
  ExpectReadFails<ENwConnClosedGracefully>("220-Welcome\r\n220-more\r\n", "Connection Closed Gracefully.");
  ExpectReadFails<ENwReadLnMaxLineLengthExceeded>("220 " + std::string(20000, 'x') + "\r\n",
                                                  "Max line length exceeded.");
  // Endless lines: too many of them, too many bytes, or only blank ones.
  std::string many_lines = "220-start\r\n";
  for (int i = 0; i < 5000; ++i) many_lines += "220-x\r\n";
  ExpectReadFails<ENwLimitExceeded>(many_lines, "4096 lines");
  std::string short_lines = "220-start\r\n";
  for (int i = 0; i < 5000; ++i) short_lines += "ok\r\n";
  ExpectReadFails<ENwLimitExceeded>(short_lines, "4096 lines");
  std::string big_lines = "220-start\r\n";
  for (int i = 0; i < 200; ++i) big_lines += "220-" + std::string(8000, 'y') + "\r\n";
  ExpectReadFails<ENwLimitExceeded>(big_lines, "1048576 bytes");
  ExpectReadFails<ENwLimitExceeded>(std::string(1100000, '\n') + "220 late\r\n", "exceeds");
}

TEST(NetFtpReply, CheckRaisesWithTheCodeAndTheTextLines) {
  TNwRFCReply reply = ParseReply({"550-Cannot store", "disk  full", "550 Sorry"});
  EXPECT_NO_THROW(CheckReply(reply, {}));
  EXPECT_NO_THROW(CheckReply(reply, {226, 550}));
  try {
    CheckReply(reply, {125, 150});
    ADD_FAILURE() << "no error";
  } catch (const ENwProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 550);
    EXPECT_STREQ(e.what(), "Cannot store\r\n  full\r\nSorry\r\n");
  }
  // A code that is not a number is 0, which no list of codes accepts.
  reply = ParseReply({"abc def"});
  try {
    CheckReply(reply, {200, 215, 500});
    ADD_FAILURE() << "no error";
  } catch (const ENwProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 0);
    EXPECT_STREQ(e.what(), "def\r\n");
  }
}

}  // namespace
}  // namespace vantora
