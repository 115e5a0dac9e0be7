#include "nw_ftp.h"

#include <algorithm>

#include "nw_stream.h"

namespace vantora {

namespace {

// A CR, LF or NUL in an argument would end the command early and let the
// rest pass for a command of its own (a user name pasted from the
// clipboard, a file name holding a line break).
void RefuseUnsafeArgument(const std::string& value, const char* what) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    throw ENwLineBreakNotAllowed(std::string("A line break or NUL is not allowed in the ") + what + ".");
  }
}

}  // namespace

std::string FtpPortArgument(const std::string& ip, int port) {
  std::string hosts = ip;
  std::replace(hosts.begin(), hosts.end(), '.', ',');
  return hosts + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

TNwFTP::TNwFTP() { Port = 21; }

TNwFTP::~TNwFTP() { data_channel_.reset(); }

void TNwFTP::Connect(bool auto_login, TNwTimeLimit limit) {
  if (auto_login) {
    RefuseUnsafeArgument(Username, "user name");
    RefuseUnsafeArgument(Password, "password");
  }
  TNwTCPClient::Connect(limit);
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

void TNwFTP::Disconnect() {
  data_channel_.reset();
  TNwTCPClient::Disconnect();
}

int TNwFTP::SendCmd(const std::string& command, const std::vector<int>& expected) {
  RefuseUnsafeArgument(command, "command");
  TNwExchangeDeadline exchange(*this, ReplyTimeout);
  WriteLn(command);
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
  CheckReply(last_reply_, expected);
  return last_reply_.NumericCode;
}

void TNwFTP::OpenDataChannel() {
  data_channel_ = std::make_unique<TNwSimpleServer>();
  data_channel_->SendBufferSize = SendBufferSize;
  data_channel_->RecvBufferSize = RecvBufferSize;
  // Each wait for room to send is bounded, not the whole file: a slow line
  // may take long for a large one, a stalled server may not.
  data_channel_->ReadTimeout = TransferStallTimeout;
  // The server connects back to the address it sees us on.
  TNwIOHandlerSocket* control = SocketHandler();
  if (control == nullptr || !Connected()) throw ENwNotConnected("Not Connected");
  data_channel_->BoundIP = control->Binding()->IP();
  data_channel_->BeginListen();
}

void TNwFTP::AcceptDataConnection() {
  TNwIOHandlerSocket* control = SocketHandler();
  const int control_fd = control != nullptr ? control->Binding()->Handle() : -1;
  TNwListenOutcome outcome = TNwListenOutcome::loWatchedReady;
  if (InputBufferSize() == 0) {
    outcome = data_channel_->Listen(AcceptTimeout, control_fd);
  }
  if (outcome == TNwListenOutcome::loAccepted) return;
  data_channel_.reset();
  if (outcome == TNwListenOutcome::loTimedOut) throw ENwAcceptTimeout();
  // The server answered before it connected: that answer ends the transfer,
  // whatever its code, since no byte of the file has gone. An abort notice
  // announces one more reply, which is read too so that none is left over.
  GetReply({});
  const TNwRFCReply answer = last_reply_;
  if (answer.NumericCode == 426 || answer.NumericCode == 450) GetReply({});
  throw ENwProtocolReplyError(answer.NumericCode, ReplyMessage(answer));
}

void TNwFTP::ReadFinalReply() {
  if (GetReply({225, 226, 250, 426, 450}) == 426 || last_reply_.NumericCode == 450) GetReply({226, 225});
}

void TNwFTP::Put(const std::string& local_file, const std::string& remote_name) {
  // Refused before the file is opened: nothing is touched for a bad name.
  RefuseUnsafeArgument(remote_name, "file name");
  if (Passive) throw ENwException("Passive transfers are not supported.");
  TNwFileStream file(local_file);
  Put(file, remote_name);
}

void TNwFTP::Put(TNwStream& source, const std::string& remote_name) {
  RefuseUnsafeArgument(remote_name, "file name");
  if (Passive) throw ENwException("Passive transfers are not supported.");
  struct DiscardChannel {
    std::unique_ptr<TNwSimpleServer>& channel;
    ~DiscardChannel() { channel.reset(); }
  } discard{data_channel_};

  OpenDataChannel();
  SendCmd("PORT " + FtpPortArgument(data_channel_->ListenIP(), data_channel_->ListenPort()), 200);
  SendCmd("STOR " + remote_name, {125, 150});
  // From here the server owes a final reply.
  try {
    AcceptDataConnection();
    data_channel_->WriteStream(source, false);
  } catch (const ENwProtocolReplyError&) {
    throw;  // the final reply came, early, and was read
  } catch (...) {
    Disconnect();
    throw;
  }
  // Closing the data connection tells the server the file is complete.
  data_channel_.reset();
  ReadFinalReply();
}

}  // namespace vantora
