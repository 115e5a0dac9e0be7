#pragma once

#include <string>
#include <vector>

#include "net/nw_tcp_connection.h"

// Numbered replies of the FTP control connection: reading one reply (one or
// several lines) from any connection, parsing its code, and checking the code
// against those a command may get. The reader only needs the connection's
// line reads, so it runs the same on a socket, on canned bytes and on fuzzer
// input.
namespace vantora {

// One parsed server reply.
struct TNwRFCReply {
  int NumericCode = 0;            // 0 when the code text is not a number
  std::string TextCode;
  std::vector<std::string> Text;  // each reply line from its fifth character on
};

// Parses the lines of one reply, already trimmed and without blank lines.
TNwRFCReply ParseReply(const std::vector<std::string>& lines);

// Reads one complete reply. Blank lines are skipped and every line is
// trimmed; a first line "ddd-" opens a reply that runs to a line starting
// "ddd " (trimmed: or just "ddd") in any letter case. Raises
// ENwReadTimeout when a wait runs out (the connection's ReadTimeout or its
// exchange deadline), ENwLimitExceeded past kNwFtpMaxReplyBytes or
// kNwFtpMaxReplyLines, and whatever the connection's line read raises
// (closed, line too long).
TNwRFCReply ReadReply(TNwTCPConnection& connection);

// Raises ENwProtocolReplyError when `reply`'s code is not in `expected`; an
// empty list accepts every code.
void CheckReply(const TNwRFCReply& reply, const std::vector<int>& expected);

// The reply's text lines, each followed by CR LF: the message of the error
// raised for it.
std::string ReplyMessage(const TNwRFCReply& reply);

}  // namespace vantora
