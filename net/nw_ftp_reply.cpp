#include "net/nw_ftp_reply.h"

#include <algorithm>

#include "net/nw_exceptions.h"
#include "net/nw_limits.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

// Counts what a reply has cost so far, blank lines included, so that a
// server cannot keep a reply growing (or keep it open with empty lines).
struct ReplyBudget {
  std::size_t bytes = 0;
  std::size_t lines = 0;

  void Take(const std::string& raw_line) {
    bytes += raw_line.size() + 1;
    ++lines;
    if (bytes > kNwFtpMaxReplyBytes) {
      throw ENwLimitExceeded("The server's reply exceeds " + std::to_string(kNwFtpMaxReplyBytes) + " bytes.");
    }
    if (lines > kNwFtpMaxReplyLines) {
      throw ENwLimitExceeded("The server's reply exceeds " + std::to_string(kNwFtpMaxReplyLines) + " lines.");
    }
  }
};

// An empty line from a time-out would pass for a blank line and be skipped:
// report the time-out instead.
std::string ReadRawLine(TNwTCPConnection& connection) {
  std::string line = connection.ReadLn();
  if (connection.ReadLnTimedOut()) throw ENwReadTimeout("Read Timeout");
  return line;
}

std::string ReadNonBlankLine(TNwTCPConnection& connection, ReplyBudget& budget) {
  for (;;) {
    const std::string raw = ReadRawLine(connection);
    budget.Take(raw);
    std::string line = Trim(raw);
    if (!line.empty()) return line;
  }
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TNwRFCReply ParseReply(const std::vector<std::string>& lines) {
  TNwRFCReply reply;
  if (lines.empty()) return reply;
  std::string code = Trim(std::string_view(lines.front()).substr(0, 4));
  if (code.size() == 4 && code[3] == '-') code.pop_back();
  reply.TextCode = code;
  // A code is digits only: "+226" or "$E1" must not pass for a success.
  reply.NumericCode = AllDigits(code) ? std::stoi(code) : 0;
  for (const std::string& line : lines) reply.Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
  return reply;
}

TNwRFCReply ReadReply(TNwTCPConnection& connection) {
  ReplyBudget budget;
  std::vector<std::string> lines;
  lines.push_back(ReadNonBlankLine(connection, budget));
  const std::string& first = lines.front();
  if (first.size() > 3 && first[3] == '-') {
    // Only a line that starts with the same code and a space ends the
    // reply; trimming leaves the bare code of one with nothing after it.
    const std::string code = first.substr(0, 3);
    const std::string terminator = code + " ";
    for (;;) {
      std::string line = ReadNonBlankLine(connection, budget);
      const bool last = SameText(line, code) || SameText(std::string_view(line).substr(0, 4), terminator);
      lines.push_back(std::move(line));
      if (last) break;
    }
  }
  return ParseReply(lines);
}

std::string ReplyMessage(const TNwRFCReply& reply) {
  std::string message;
  for (const std::string& line : reply.Text) message += line + "\r\n";
  return message;
}

void CheckReply(const TNwRFCReply& reply, const std::vector<int>& expected) {
  if (expected.empty()) return;
  if (std::find(expected.begin(), expected.end(), reply.NumericCode) != expected.end()) return;
  throw ENwProtocolReplyError(reply.NumericCode, ReplyMessage(reply));
}

}  // namespace vantora
