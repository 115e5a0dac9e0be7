// The FTP server's bytes come from the fuzz input. Checked beyond "no crash":
// a reply reads the same however the network splits it, its parsed fields
// keep their rules, the code check agrees with the code, and a login over
// the same bytes either succeeds with exactly the commands of a login or
// fails with the control connection closed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <typeinfo>
#include <variant>

#include "fuzz/net/fuzz_net_checks.h"
#include "net/nw_exceptions.h"
#include "net/nw_ftp.h"
#include "net/nw_ftp_reply.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_limits.h"

namespace {

using Outcome = std::variant<vantora::TNwRFCReply, std::string>;

Outcome ReadOne(const std::string& bytes, std::size_t piece, std::string* left_over) {
  vantora::TNwIOHandlerScripted handler(bytes, piece);
  handler.MarkOpen();
  vantora::TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  try {
    vantora::TNwRFCReply reply = vantora::ReadReply(connection);
    // Everything after the reply, however it was received, must be left.
    if (left_over) {
      do {
        *left_over += connection.CurrentReadBuffer();
      } while (connection.Connected());
    }
    return reply;
  } catch (const vantora::ENwException& e) {
    return std::string(typeid(e).name());
  }
}

bool SameReply(const vantora::TNwRFCReply& a, const vantora::TNwRFCReply& b) {
  return a.NumericCode == b.NumericCode && a.TextCode == b.TextCode && a.Text == b.Text;
}

void CheckFields(const vantora::TNwRFCReply& reply) {
  if (reply.Text.empty() || reply.Text.size() > vantora::kNwFtpMaxReplyLines) std::abort();
  if (reply.TextCode.empty() || reply.TextCode.size() > 4) std::abort();
  if (static_cast<unsigned char>(reply.TextCode.front()) <= 0x20) std::abort();
  if (reply.NumericCode < 0 || reply.NumericCode > 9999) std::abort();
  if (reply.NumericCode != 0 && std::stoi(reply.TextCode) != reply.NumericCode) std::abort();
  std::size_t total = 0;
  for (const std::string& line : reply.Text) {
    if (line.find('\n') != std::string::npos) std::abort();
    total += line.size();
  }
  if (total > vantora::kNwFtpMaxReplyBytes) std::abort();

  std::string message;
  for (const std::string& line : reply.Text) message += line + "\r\n";
  vantora::CheckReply(reply, {reply.NumericCode});
  try {
    vantora::CheckReply(reply, {reply.NumericCode + 1});
    std::abort();
  } catch (const vantora::ENwProtocolReplyError& e) {
    // what() is a C string: a NUL the server sent ends it there.
    if (e.ReplyErrorCode() != reply.NumericCode || message.substr(0, message.find('\0')) != e.what()) std::abort();
  }
}

void CheckLogin(const std::string& bytes) {
  vantora::TNwIOHandlerScripted handler(bytes, 7);
  vantora::TNwFTP ftp;
  ftp.SetIOHandler(&handler);
  ftp.Username = "user";
  ftp.Password = "pw";
  try {
    ftp.Connect(true);
  } catch (const vantora::ENwException&) {
    if (ftp.Connected()) std::abort();  // a failed connect leaves nothing open
    return;
  }
  const std::string& sent = handler.Sent();
  if (sent != "USER user\r\nPASS pw\r\nTYPE I\r\nSYST\r\n" && sent != "USER user\r\nTYPE I\r\nSYST\r\n") std::abort();
  const int syst = ftp.LastCmdResult().NumericCode;
  if (syst != 200 && syst != 215 && syst != 500) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks how many bytes each receive hands out.
  const std::size_t piece = 1 + data[0] % 64;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string left_split, left_whole;
  const Outcome split = ReadOne(bytes, piece, &left_split);
  const Outcome whole = ReadOne(bytes, 1 << 20, &left_whole);
  if (split.index() != whole.index()) std::abort();
  if (const auto* reply = std::get_if<vantora::TNwRFCReply>(&whole)) {
    if (!SameReply(*reply, std::get<vantora::TNwRFCReply>(split)) || left_split != left_whole) std::abort();
    CheckFields(*reply);
  } else if (std::get<std::string>(split) != std::get<std::string>(whole)) {
    std::abort();
  }
  CheckLogin(bytes);
  return 0;
}
