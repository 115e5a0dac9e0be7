#include "net/nw_ftp.h"

#include <algorithm>

#include "net/nw_stream.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

// Replies the session acts on whatever the command expected.
constexpr int kServiceClosing = 421;   // the server is closing the session
constexpr int kTransferAborted = 426;  // the data connection was closed, the transfer aborted
constexpr int kActionNotTaken = 450;   // the file was busy or not available

}  // namespace

void RefuseUnsafeFtpArgument(const std::string& value, const char* what) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    throw ENwLineBreakNotAllowed(std::string("A line break or NUL is not allowed in the ") + what + ".");
  }
}

std::string FtpPortArgument(const std::string& ip, int port) {
  std::string hosts = ip;
  std::replace(hosts.begin(), hosts.end(), '.', ',');
  return hosts + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

TNwFTP::TNwFTP() { Port = 21; }

TNwFTP::~TNwFTP() { DropDataChannel(); }

void TNwFTP::Connect(bool auto_login, TNwTimeLimit limit) {
  if (auto_login) {
    RefuseUnsafeFtpArgument(Username, "user name");
    RefuseUnsafeFtpArgument(Password, "password");
  }
  TNwExchangeDeadline login(*this, LoginTimeout);
  TNwTCPClient::Connect(TNwTimeLimit::Shorter(limit, ConnectTimeout));
  try {
    GetReply({220});
    if (auto_login) Login();
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TNwFTP::Login() {
  // A 230 to USER means no password is needed; none is sent then.
  if (SendCmd("USER " + Username, {230, 331}) == 331) SendCmd("PASS " + Password, 230);
  SendCmd(TransferType == TNwFtpTransferType::ftBinary ? "TYPE I" : "TYPE A", 200);
  // Only the answer matters, not the system's name; 500 (unknown command)
  // does not stop the login.
  SendCmd("SYST", {200, 215, 500});
}

void TNwFTP::DropSessionIfServerLeft() {
  // Inside a store its replies are awaited.
  if (!Connected() || data_channel_) return;
  int received = -1;
  try {
    received = ReadFromStack(TNwClosedAction::caReturnZero, TNwTimeLimit::Milliseconds(0),
                             TNwTimeoutAction::taReturnMinusOne);
  } catch (const ENwException&) {
    received = 0;  // a reset: gone as well
  }
  if (received == -1 && InputBufferSize() == 0) return;
  // Keep what the server said last, when it is whole, for whoever asks why.
  try {
    TNwExchangeDeadline now(*this, TNwTimeLimit::Milliseconds(0));
    last_reply_ = ReadReply(*this);
  } catch (const ENwException&) {
  }
  Disconnect();
}

void TNwFTP::DropDataChannel() {
  if (!data_channel_) return;
  data_channel_->AbortConnection();
  data_channel_.reset();
}

void TNwFTP::Disconnect() {
  DropDataChannel();
  TNwTCPClient::Disconnect();
}

int TNwFTP::SendCmd(const std::string& command, const std::vector<int>& expected) {
  RefuseUnsafeFtpArgument(command, "command");
  TNwExchangeDeadline exchange(*this, ReplyTimeout);
  try {
    WriteLn(command);
  } catch (...) {
    // Part of the command may have gone: the session is out of step.
    Disconnect();
    throw;
  }
  return GetReply(expected);
}

int TNwFTP::SendCmd(const std::string& command, int expected) {
  return SendCmd(command, expected == -1 ? std::vector<int>{} : std::vector<int>{expected});
}

int TNwFTP::GetReply(const std::vector<int>& expected) {
  try {
    TNwExchangeDeadline exchange(*this, ReplyTimeout);
    last_reply_ = ReadReply(*this);
  } catch (const ENwConnClosedGracefully&) {
    throw;
  } catch (...) {
    // The reply was not read to its end: what is left of it would be read
    // as the answer to the next command.
    Disconnect();
    throw;
  }
  if (last_reply_.NumericCode == kServiceClosing) {
    // The server is closing the session, whatever the command was.
    Disconnect();
    throw ENwProtocolReplyError(last_reply_.NumericCode, ReplyMessage(last_reply_));
  }
  CheckReply(last_reply_, expected);
  return last_reply_.NumericCode;
}

void TNwFTP::OpenDataChannel() {
  TNwIOHandlerSocket* control = SocketHandler();
  if (control == nullptr || !control->Connected()) throw ENwNotConnected("Not Connected");
  data_channel_ = std::make_unique<TNwSimpleServer>();
  data_channel_->SendBufferSize = SendBufferSize;
  data_channel_->RecvBufferSize = RecvBufferSize;
  // Each wait for room to send is bounded, and the store's deadline bounds
  // them all.
  data_channel_->ReadTimeout = TransferStallTimeout;
  data_channel_->SetExchangeDeadline(ExchangeDeadline());
  data_channel_->WaitHook = WaitHook;
  // The server connects back to the address it sees us on, from the
  // address we see it on.
  data_channel_->BoundIP = control->Binding()->IP();
  data_channel_->AcceptFromIP = control->Binding()->PeerIP();
  data_channel_->BeginListen();
}

bool TNwFTP::ReplyLineBuffered() {
  for (;;) {
    const std::string_view held = InputBufferView();
    const std::size_t end = held.find('\n');
    // A line longer than any reply may be is left to the reply reader,
    // which refuses it.
    if (end == std::string_view::npos) return held.size() > std::min(LineLimit().MaxLength, kNwFtpMaxReplyBytes);
    if (!Trim(held.substr(0, end)).empty()) return true;
    ReadLn();  // whole, so it needs no wait
  }
}

void TNwFTP::AcceptDataConnection() {
  TNwIOHandlerSocket* control = SocketHandler();
  if (control == nullptr || !control->Connected()) throw ENwNotConnected("Not Connected");
  const int control_fd = control->Binding()->Handle();
  const TNwDeadline until = TNwDeadline::Earlier(TNwDeadline::After(AcceptTimeout), ExchangeDeadline());
  // Only a whole line of text is the server's answer: a blank line, or the
  // start of a line, leaves the wait going.
  while (!ReplyLineBuffered()) {
    const TNwListenOutcome outcome = data_channel_->Listen(until.Remaining(), control_fd);
    if (outcome == TNwListenOutcome::loAccepted) return;
    if (outcome == TNwListenOutcome::loTimedOut) throw ENwAcceptTimeout();
    // Something came on the control connection, or its end.
    const int got = ReadFromStack(TNwClosedAction::caRaise, TNwTimeLimit::Milliseconds(0),
                                  TNwTimeoutAction::taReturnMinusOne);
    if (got == 0) break;
  }
  // The server answered before it connected: that answer ends the transfer,
  // whatever its code, since no byte of the file has gone.
  DropDataChannel();
  GetReply({});
  const TNwRFCReply answer = last_reply_;
  if (answer.NumericCode == kTransferAborted || answer.NumericCode == kActionNotTaken) FailAbandonedTransfer();
  throw ENwProtocolReplyError(answer.NumericCode, ReplyMessage(answer));
}

void TNwFTP::ReadFinalReply() {
  const int code = GetReply({225, 226, 250, kTransferAborted, kActionNotTaken});
  if (code == kTransferAborted || code == kActionNotTaken) FailAbandonedTransfer();
}

// A 426 or 450 is the server giving the transfer up: nothing after it can
// make the file whole, so the store fails. Some servers send one more reply
// after it (226 or 225, as after an abort); if one begins within a moment it
// is read, so that it is not taken for the answer to the next command. If
// none does, whether one is still on its way cannot be told, and the session
// ends: the next store logs in afresh.
void TNwFTP::FailAbandonedTransfer() {
  const TNwRFCReply abandoned = last_reply_;
  try {
    if (InputBufferSize() > 0 || ReadFromStack(TNwClosedAction::caReturnZero, kNwFtpFollowUpReplyTimeLimit,
                                               TNwTimeoutAction::taReturnMinusOne) > 0) {
      GetReply({});
    } else {
      Disconnect();
    }
  } catch (const ENwException&) {
    Disconnect();
  }
  last_reply_ = abandoned;
  throw ENwProtocolReplyError(abandoned.NumericCode, ReplyMessage(abandoned));
}

void TNwFTP::Put(const std::string& local_file, const std::string& remote_name) {
  // Refused before the file is opened: nothing is touched for a bad name.
  RefuseUnsafeFtpArgument(remote_name, "file name");
  if (Passive) throw ENwException("Passive transfers are not supported.");
  TNwFileStream file(local_file);
  Put(file, remote_name);
}

void TNwFTP::Put(TNwStream& source, const std::string& remote_name) {
  RefuseUnsafeFtpArgument(remote_name, "file name");
  if (Passive) throw ENwException("Passive transfers are not supported.");
  DropSessionIfServerLeft();
  if (!Connected()) throw ENwNotConnected("Not Connected");
  TNwExchangeDeadline store(*this, StoreTimeout);
  // Every way out but a whole file resets the data connection.
  struct DropChannel {
    TNwFTP& ftp;
    ~DropChannel() { ftp.DropDataChannel(); }
  } drop{*this};

  OpenDataChannel();
  SendCmd("PORT " + FtpPortArgument(data_channel_->ListenIP(), data_channel_->ListenPort()), 200);
  SendCmd("STOR " + remote_name, {125, 150});
  // From here the server owes a final reply.
  try {
    AcceptDataConnection();
    data_channel_->WriteStream(source, TNwStreamFrom::sfPosition);
  } catch (const ENwProtocolReplyError&) {
    throw;  // the final reply came, early, and was read
  } catch (...) {
    Disconnect();
    throw;
  }
  // The whole file went: only now does an orderly close tell the server
  // that it is complete.
  data_channel_->Disconnect();
  data_channel_.reset();
  ReadFinalReply();
}

}  // namespace vantora
