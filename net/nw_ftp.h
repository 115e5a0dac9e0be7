#pragma once

#include <memory>
#include <string>
#include <vector>

#include "net/nw_exceptions.h"
#include "net/nw_ftp_reply.h"
#include "net/nw_limits.h"
#include "net/nw_simple_server.h"
#include "net/nw_stream.h"
#include "net/nw_tcp_connection.h"

// The FTP client session: log in on a control connection and store local
// files in active mode (the server connects back to a port this side opens).
// Every wait for the server is bounded, so a silent server or a firewall that
// blocks the connection back ends the call with an error instead of a hang.
namespace vantora {

enum class TNwFtpTransferType { ftASCII, ftBinary };

class TNwFTP : public TNwTCPClient {
 public:
  TNwFTP();  // Port = 21
  ~TNwFTP() override;

  std::string Username;
  std::string Password;
  bool Passive = false;  // only active mode is built
  TNwFtpTransferType TransferType = TNwFtpTransferType::ftBinary;

  // A command and its whole reply must be done within ReplyTimeout (the
  // exchange deadline of the control connection); the server must connect
  // back within AcceptTimeout; and no wait for it to take more of a file may
  // last longer than TransferStallTimeout. On top, the name lookup and
  // connect must be done within ConnectTimeout, the whole of Connect within
  // LoginTimeout and the whole of one Put within StoreTimeout, however
  // slowly but steadily the server answers.
  TNwTimeLimit ReplyTimeout = kNwFtpReplyTimeLimit;
  TNwTimeLimit AcceptTimeout = kNwFtpAcceptTimeLimit;
  TNwTimeLimit TransferStallTimeout = kNwFtpTransferStallTimeLimit;
  TNwTimeLimit ConnectTimeout = kNwFtpConnectTimeLimit;
  TNwTimeLimit LoginTimeout = kNwFtpLoginTimeLimit;
  TNwTimeLimit StoreTimeout = kNwFtpStoreTimeLimit;

  // Opens the control connection (within `limit` and ConnectTimeout), reads
  // the greeting and, with auto_login, logs in and sets the transfer type.
  // Any failure after the connection is open closes it and is raised
  // unchanged.
  void Connect(bool auto_login = true, TNwTimeLimit limit = TNwTimeLimit::Unlimited());
  void Connect(TNwTimeLimit limit) override { Connect(true, limit); }

  // Between commands the server owes nothing, so anything it has sent
  // since (a 421 before it leaves, a late reply, its close) means the
  // session is over: this closes the control connection then, without
  // waiting, and the caller can connect afresh instead of having its next
  // command fail. A 421 found so is left in LastCmdResult(). Connected()
  // afterwards tells whether the session goes on.
  void DropSessionIfServerLeft();

  // Stores the local file as `remote_name` in active mode. A failure whose
  // reply from the server was not read (time-outs, a broken transfer, a
  // garbled reply) closes the control connection: that reply would otherwise
  // be taken as the answer to the next command. A transfer given up
  // half-way ends the data connection with a reset, so the server cannot
  // take the part it got for the whole file; a 426 or 450 from the server
  // fails the store whatever follows it.
  void Put(const std::string& local_file, const std::string& remote_name);
  // The same for a stream: sends it from its current position to its end.
  void Put(TNwStream& source, const std::string& remote_name);

  // Closes the control connection; sends no command.
  void Disconnect() override;

  const TNwRFCReply& LastCmdResult() const { return last_reply_; }

  // Writes `command` + CR LF and reads the reply; raises ENwProtocolReplyError
  // when its code is not expected (an empty list, or -1, accepts any).
  int SendCmd(const std::string& command, const std::vector<int>& expected);
  int SendCmd(const std::string& command, int expected);
  // Reads one reply into LastCmdResult() and checks it. A 421 (the server
  // is closing the session) closes the connection and is raised whatever
  // the list says.
  int GetReply(const std::vector<int>& expected);

 private:
  void Login();
  void OpenDataChannel();
  // Waits for the server's data connection; a reply that comes first is the
  // server's refusal (or a close) and is raised as such.
  void AcceptDataConnection();
  // Whether a whole reply line (or more than a line may hold) waits on the
  // control connection; blank lines before it are dropped.
  bool ReplyLineBuffered();
  void ReadFinalReply();
  [[noreturn]] void FailAbandonedTransfer();
  // Ends the data channel with a reset: the transfer was given up.
  void DropDataChannel();

  TNwRFCReply last_reply_;
  std::unique_ptr<TNwSimpleServer> data_channel_;
};

// Raises ENwLineBreakNotAllowed when `value` holds a CR, LF or NUL, which
// would end an FTP command early and let the rest pass for a command of its
// own (a user name pasted from the clipboard, a file name holding a line
// break). The client refuses such an argument before it sends anything;
// `what` names it in the message.
void RefuseUnsafeFtpArgument(const std::string& value, const char* what);

// "PORT" argument for an IPv4 address and port: "h1,h2,h3,h4,p1,p2".
std::string FtpPortArgument(const std::string& ip, int port);

}  // namespace vantora
