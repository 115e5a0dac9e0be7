#include "net/nw_tcp_connection.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "net/nw_exceptions.h"
#include "net/nw_socket_errors.h"

namespace vantora {

// A borrowed handler may already be gone; an owned one closes its socket
// when the member releases it.
TNwTCPConnection::~TNwTCPConnection() = default;

void TNwTCPConnection::SetIOHandler(TNwIOHandler* handler) {
  if (handler_ && handler_ != handler) handler_->Close();
  owned_handler_.reset();
  handler_ = handler;
}

void TNwTCPConnection::AdoptIOHandler(std::unique_ptr<TNwIOHandler> handler) {
  SetIOHandler(handler.get());
  owned_handler_ = std::move(handler);
  ResetForConnect();
}

TNwIOHandlerSocket* TNwTCPConnection::SocketHandler() const {
  return dynamic_cast<TNwIOHandlerSocket*>(handler_);
}

void TNwTCPConnection::EnsureIOHandler() {
  if (handler_) return;
  owned_handler_ = std::make_unique<TNwIOHandlerSocket>();
  handler_ = owned_handler_.get();
}

void TNwTCPConnection::ResetForConnect() {
  input_.Clear();
  closed_gracefully_ = false;
}

void TNwTCPConnection::Disconnect() { Close(false); }

void TNwTCPConnection::AbortConnection() { Close(true); }

void TNwTCPConnection::Close(bool reset) {
  if (!handler_) return;
  DoStatus(TNwStatus::hsDisconnecting);
  closed_gracefully_ = true;
  if (reset) handler_->Abort();
  else handler_->Close();
  if (owned_handler_) {
    owned_handler_.reset();
    handler_ = nullptr;
  }
  if (OnDisconnected) OnDisconnected();
  DoStatus(TNwStatus::hsDisconnected);
}

void TNwTCPConnection::CloseSocketAfterError(bool reset) {
  if (handler_ && handler_->Connected()) {
    if (reset) handler_->Abort();
    else handler_->Close();
    closed_gracefully_ = true;
  }
}

bool TNwTCPConnection::Connected() {
  CheckForDisconnect(false);
  return handler_ && handler_->Connected();
}

void TNwTCPConnection::CheckForDisconnect(bool raise, bool ignore_buffer) {
  if (!handler_) return;
  if (!closed_gracefully_ && handler_->Connected()) return;
  if (handler_->Connected()) {
    handler_->Close();
    if (OnDisconnected) OnDisconnected();
    DoStatus(TNwStatus::hsDisconnected);
  }
  closed_gracefully_ = true;
  if (raise && (input_.Size() == 0 || ignore_buffer)) {
    throw ENwConnClosedGracefully("Connection Closed Gracefully.");
  }
}

TNwTimeLimit TNwTCPConnection::WaitLimit(std::optional<TNwTimeLimit> wait) const {
  return TNwTimeLimit::Shorter(wait.value_or(ReadTimeout), deadline_.Remaining());
}

bool TNwTCPConnection::WaitPaced(TNwTimeLimit limit, const std::function<bool(TNwTimeLimit slice)>& ready) {
  if (!WaitHook) return ready(limit);
  const bool whole = handler_ && handler_->WaitsEndAtOnce();
  const TNwDeadline deadline = TNwDeadline::After(limit);
  for (;;) {
    CallWaitHookWhenDue();
    const TNwTimeLimit left = deadline.Remaining();
    const auto until_due = std::chrono::ceil<std::chrono::milliseconds>(*hook_due_ - std::chrono::steady_clock::now());
    const TNwTimeLimit slice = whole ? left : TNwTimeLimit::Shorter(left, TNwTimeLimit::Milliseconds(until_due.count()));
    if (ready(slice)) return true;
    if (slice == left) return false;
  }
}

void TNwTCPConnection::CallWaitHookWhenDue() {
  if (hook_due_ && std::chrono::steady_clock::now() < *hook_due_) return;
  WaitHook();
  // Counted from the hook's return: a slow repaint still leaves the wait a
  // whole interval of its own.
  hook_due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kNwWaitHookInterval.Ms());
}

TNwLineLimit TNwTCPConnection::LineLimit() const {
  TNwLineLimit limit;
  limit.MaxLength = MaxLineLength > 0 ? static_cast<std::size_t>(MaxLineLength) : std::string::npos;
  limit.Action = MaxLineAction;
  return limit;
}

int TNwTCPConnection::ReadFromStack(TNwClosedAction if_closed, std::optional<TNwTimeLimit> wait,
                                    TNwTimeoutAction if_timed_out) {
  const bool raise_if_disconnected = if_closed == TNwClosedAction::caRaise;
  CheckForDisconnect(raise_if_disconnected);
  if (!handler_ || !handler_->Connected()) {
    if (raise_if_disconnected) throw ENwNotConnected("Not Connected");
    return 0;
  }
  scratch_.resize(static_cast<std::size_t>(std::max(1, RecvBufferSize)));
  for (;;) {
    bool readable = false;
    try {
      // Taken afresh on each round, so the deadline is never overrun.
      readable = WaitPaced(WaitLimit(wait), [this](TNwTimeLimit slice) { return handler_->Readable(slice); });
    } catch (const ENwSocketError&) {
      CloseSocketAfterError();
      throw;
    }
    if (!readable) {
      if (if_timed_out == TNwTimeoutAction::taRaise) throw ENwReadTimeout("Read Timeout");
      return -1;
    }
    int error = 0;
    const long n = handler_->Recv(scratch_.data(), scratch_.size(), error);
    if (n < 0) {
      CloseSocketAfterError();
      if ((error == kWsaEShutdown || error == kWsaEConnAborted) && input_.Size() > 0) return 0;
      RaiseSocketError(error);
    }
    if (n == 0) {
      closed_gracefully_ = true;
    } else {
      input_.Append(scratch_.data(), static_cast<std::size_t>(n));
    }
    CheckForDisconnect(raise_if_disconnected);
    if (n > 0 || !handler_ || !handler_->Connected()) return static_cast<int>(n);
  }
}

std::string TNwTCPConnection::ReadLn(const TNwLineLimit& line_limit, std::string_view terminator,
                                     std::optional<TNwTimeLimit> wait) {
  if (terminator.empty()) terminator = "\n";
  const std::size_t limit = line_limit.MaxLength;
  line_split_ = false;
  line_timed_out_ = false;
  std::size_t search_from = 0;
  for (;;) {
    const std::string_view held = input_.View();
    const std::size_t pos = held.find(terminator, search_from);
    const bool too_long = pos == std::string_view::npos ? held.size() > limit : pos > limit;
    if (too_long) {
      if (line_limit.Action == TNwMaxLineAction::maException) {
        throw ENwReadLnMaxLineLengthExceeded("Max line length exceeded.");
      }
      line_split_ = true;
      return input_.Extract(limit);
    }
    if (pos != std::string_view::npos) {
      std::string line = input_.Extract(pos);
      input_.Remove(terminator.size());
      if (terminator == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    // The terminator may straddle what is held and what comes next.
    search_from = held.size() >= terminator.size() ? held.size() - terminator.size() + 1 : 0;
    CheckForDisconnect(true, true);
    if (ReadFromStack(TNwClosedAction::caRaise, wait, TNwTimeoutAction::taReturnMinusOne) == -1) {
      line_timed_out_ = true;
      return {};
    }
  }
}

void TNwTCPConnection::ReadBuffer(void* buffer, std::size_t count) {
  while (input_.Size() < count) {
    CheckForDisconnect(true, true);
    ReadFromStack();
    CheckForDisconnect(true, true);
  }
  std::memcpy(buffer, input_.Data(), count);
  input_.Remove(count);
}

std::string TNwTCPConnection::ReadString(std::size_t count) {
  std::string out(count, '\0');
  ReadBuffer(out.data(), count);
  return out;
}

std::uint32_t TNwTCPConnection::ReadCardinal() {
  std::uint32_t value = 0;
  ReadBuffer(&value, sizeof value);
  return ntohl(value);
}

void TNwTCPConnection::ReadStream(TNwStream& stream, std::int64_t count, bool until_close) {
  if (count == -1 && !until_close) count = static_cast<std::int32_t>(ReadCardinal());
  if (until_close) count = -1;
  // The stream is not sized ahead to the announced count: a peer announcing
  // more than it sends would otherwise leave filler bytes in the stream, and
  // an absurd count would allocate before a single byte arrived.
  std::int64_t done = 0;
  BeginWork(TNwWorkMode::wmRead, count > 0 ? count : 0);
  auto take_buffered = [&] {
    std::size_t n = input_.Size();
    if (count >= 0) n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), count - done));
    if (n == 0) return;
    stream.Write(input_.Data(), static_cast<std::int64_t>(n));
    input_.Remove(n);
    done += static_cast<std::int64_t>(n);
    DoWork(TNwWorkMode::wmRead, done);
  };
  take_buffered();
  while ((count < 0 || done < count) && Connected()) {
    ReadFromStack(until_close ? TNwClosedAction::caReturnZero : TNwClosedAction::caRaise);
    take_buffered();
  }
  EndWork(TNwWorkMode::wmRead);
  if (count >= 0 && done < count) throw ENwConnClosedGracefully("Connection Closed Gracefully.");
}

std::string TNwTCPConnection::CurrentReadBuffer() {
  if (Connected()) ReadFromStack(TNwClosedAction::caReturnZero);
  return input_.Extract(input_.Size());
}

void TNwTCPConnection::WriteLn(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  Write(line);
}

void TNwTCPConnection::WriteBuffer(const void* buffer, std::size_t count, bool write_now) {
  if (count == 0) return;
  CheckForDisconnect(true);
  if (!handler_ || !handler_->Connected()) throw ENwNotConnected("Not Connected");
  if (write_buffer_ && !write_now) {
    write_buffer_->append(static_cast<const char*>(buffer), count);
    if (write_threshold_ > 0 && write_buffer_->size() >= static_cast<std::size_t>(write_threshold_)) {
      FlushWriteBuffer(write_threshold_);
    }
    return;
  }
  SendNow(static_cast<const char*>(buffer), count);
}

void TNwTCPConnection::SendNow(const char* bytes, std::size_t count) {
  BeginWork(TNwWorkMode::wmWrite, static_cast<std::int64_t>(count));
  std::size_t sent = 0;
  // Part of the bytes may be out when a send fails: the connection cannot
  // carry on, and it ends with a reset, since an orderly close would pass
  // what went out for everything there was.
  while (sent < count) {
    bool writable = false;
    try {
      writable = WaitPaced(WaitLimit(std::nullopt), [this](TNwTimeLimit slice) { return handler_->Writable(slice); });
    } catch (const ENwSocketError&) {
      CloseSocketAfterError(true);
      throw;
    }
    if (!writable) {
      CloseSocketAfterError(true);
      RaiseSocketError(kWsaETimedOut);
    }
    int error = 0;
    const long n = handler_->Send(bytes + sent, count - sent, error);
    if (n < 0 && error == kWsaEWouldBlock) continue;
    if (n == 0) {
      closed_gracefully_ = true;
      CheckForDisconnect(true);
      throw ENwNotConnected("Not Connected");
    }
    if (n < 0) {
      CloseSocketAfterError(true);
      RaiseSocketError(error);
    }
    sent += static_cast<std::size_t>(n);
    DoWork(TNwWorkMode::wmWrite, static_cast<std::int64_t>(sent));
  }
  EndWork(TNwWorkMode::wmWrite);
}

void TNwTCPConnection::WriteCardinal(std::uint32_t value) {
  const std::uint32_t wire = htonl(value);
  WriteBuffer(&wire, sizeof wire);
}

void TNwTCPConnection::WriteStream(TNwStream& stream, TNwStreamFrom from, TNwLengthPrefix prefix,
                                   std::int64_t count) {
  if (from == TNwStreamFrom::sfStart) stream.Seek(0, TNwSeekOrigin::soBeginning);
  const std::int64_t start = stream.Position();
  const std::int64_t end = count > 0 ? start + count : stream.Size();
  const std::int64_t total = std::max<std::int64_t>(0, end - start);
  if (prefix == TNwLengthPrefix::lpCardinal) WriteCardinal(static_cast<std::uint32_t>(total));
  const auto piece = static_cast<std::size_t>(std::max(1, SendBufferSize));
  std::vector<char> chunk(static_cast<std::size_t>(std::min<std::int64_t>(total, static_cast<std::int64_t>(piece))));
  std::int64_t done = 0;
  while (done < total) {
    const auto want = static_cast<std::int64_t>(std::min<std::int64_t>(total - done, static_cast<std::int64_t>(piece)));
    const std::int64_t got = stream.Read(chunk.data(), want);
    if (got <= 0) throw ENwNoDataToRead("No data to read.");
    WriteBuffer(chunk.data(), static_cast<std::size_t>(got));
    done += got;
  }
}

void TNwTCPConnection::WriteFile(const std::string& path) {
  TNwFileStream file(path);
  WriteStream(file);
}

void TNwTCPConnection::OpenWriteBuffer(int threshold) {
  write_buffer_.emplace();
  write_threshold_ = threshold;
}

void TNwTCPConnection::FlushWriteBuffer(int bytes) {
  if (!write_buffer_ || write_buffer_->empty()) return;
  std::size_t n = write_buffer_->size();
  if (bytes > 0) n = std::min(n, static_cast<std::size_t>(bytes));
  const std::string out = write_buffer_->substr(0, n);
  write_buffer_->erase(0, n);
  WriteBuffer(out.data(), out.size(), true);
}

void TNwTCPConnection::CloseWriteBuffer() {
  struct Discard {
    std::optional<std::string>& buffer;
    ~Discard() { buffer.reset(); }
  } discard{write_buffer_};
  FlushWriteBuffer();
}

void TNwTCPConnection::ClearWriteBuffer() {
  if (write_buffer_) write_buffer_->clear();
}

void TNwTCPConnection::CancelWriteBuffer() { write_buffer_.reset(); }

void TNwTCPClient::Connect(TNwTimeLimit limit) {
  if (Connected()) throw ENwAlreadyConnected("Already connected.");
  EnsureIOHandler();
  handler_->Open();
  ResetForConnect();
  const TNwTimeLimit within = TNwTimeLimit::Shorter(limit, ExchangeDeadline().Remaining());
  const TNwConnectRequest to{Host, Port, BoundIP, BoundPort, !within.IsUnlimited()};
  try {
    if (!WaitPaced(within, [&](TNwTimeLimit slice) { return handler_->ConnectClient(to, slice, OnStatus); })) {
      throw ENwConnectTimeout("Connect timed out.");
    }
  } catch (...) {
    handler_->Close();
    throw;
  }
  DoStatus(TNwStatus::hsConnected);
  if (OnConnected) OnConnected();
}

}  // namespace vantora
