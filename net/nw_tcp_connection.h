#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/nw_buffer.h"
#include "net/nw_io_handler.h"
#include "net/nw_limits.h"
#include "net/nw_status.h"
#include "net/nw_stream.h"
#include "net/nw_time_limit.h"

// A blocking, buffered, line-aware connection. HTTP and FTP speak through it:
// it owns the input buffer, the line rule (LF or CR LF), the limits and the
// detection of the peer's close, and it sends through an optional write buffer.
namespace vantora {

enum class TNwMaxLineAction { maException, maSplit };
// What a receive does when the connection is closed or not open, and when
// its wait runs out.
enum class TNwClosedAction { caRaise, caReturnZero };
enum class TNwTimeoutAction { taRaise, taReturnMinusOne };
// Where a stream is sent from, and whether its length goes first (a 32-bit
// network-order integer).
enum class TNwStreamFrom { sfStart, sfPosition };
enum class TNwLengthPrefix { lpNone, lpCardinal };

// The longest line one line read accepts, and what a longer one does.
struct TNwLineLimit {
  std::size_t MaxLength = static_cast<std::size_t>(kNwDefaultMaxLineLength);
  TNwMaxLineAction Action = TNwMaxLineAction::maException;
};

class TNwTCPConnection : public TNwComponent {
 public:
  TNwTCPConnection() = default;
  ~TNwTCPConnection() override;
  TNwTCPConnection(const TNwTCPConnection&) = delete;
  TNwTCPConnection& operator=(const TNwTCPConnection&) = delete;

  // How long one wait for the peer may last: for incoming bytes, and for
  // room to send. An exchange's deadline (below) can end a wait sooner.
  TNwTimeLimit ReadTimeout = TNwTimeLimit::Unlimited();
  // Longest line a line read accepts; 0 disables the check.
  int MaxLineLength = kNwDefaultMaxLineLength;
  TNwMaxLineAction MaxLineAction = TNwMaxLineAction::maException;
  int RecvBufferSize = kNwDefaultRecvBufferSize;
  int SendBufferSize = kNwDefaultSendBufferSize;
  // Called at least every kNwWaitHookInterval while the connection waits
  // (name lookup, connect, bytes to read, room to send, a connection to
  // take); none by default. A caller that blocks its user interface thread
  // on a transfer lets that thread repaint and answer the desktop here, and
  // the layer stays free of windowing code. A hook that throws ends the wait
  // with its exception, which fails the operation. It runs inside the
  // connection's own wait, so it must not disconnect, reconnect or destroy
  // the connection.
  std::function<void()> WaitHook;
  std::function<void()> OnConnected;
  std::function<void()> OnDisconnected;

  // The handler the connection sends and receives through.
  TNwIOHandler* IOHandler() const { return handler_; }
  // Borrows a handler: the caller owns it and keeps it alive while it is
  // set. The connection closes it on Disconnect and when another replaces
  // it, but never touches it from its destructor, so the two may be
  // destroyed in either order. Null clears it; connecting then creates an
  // owned socket handler.
  void SetIOHandler(TNwIOHandler* handler);
  // Takes a handler that is already connected (a listener's accepted
  // socket) and owns it; the input buffer starts empty.
  void AdoptIOHandler(std::unique_ptr<TNwIOHandler> handler);
  // True when the handler in use was created or adopted by the connection.
  bool OwnsIOHandler() const { return owned_handler_ != nullptr; }
  // The socket handler in use, or null.
  TNwIOHandlerSocket* SocketHandler() const;

  // Closes this side; harmless when not connected.
  virtual void Disconnect();
  // Ends the connection with a reset instead, for a transfer given up
  // half-way: an orderly close would tell the peer that it has everything.
  void AbortConnection();
  // Notices a close already seen, then tells whether the socket is open.
  // Bytes left in the input buffer do not count.
  bool Connected();
  // Closes this side when the peer's close was seen (never reads); raises
  // ENwConnClosedGracefully when asked and nothing (or, with ignore_buffer,
  // whatever) is buffered.
  void CheckForDisconnect(bool raise = true, bool ignore_buffer = false);

  // The end of the current exchange. Every wait of a send or receive ends
  // by it, whatever ReadTimeout allows; a receive then raises "Read Timeout",
  // a send the socket error 10060. Never() (the default) lifts it. Callers
  // usually set it through TNwExchangeDeadline.
  void SetExchangeDeadline(const TNwDeadline& deadline) { deadline_ = deadline; }
  const TNwDeadline& ExchangeDeadline() const { return deadline_; }

  // One receive into the input buffer, waiting at most `wait` (none given:
  // ReadTimeout) and never past the exchange deadline. Returns the bytes
  // received, 0 when not connected or closed, -1 on a time-out that was not
  // to be raised.
  int ReadFromStack(TNwClosedAction if_closed = TNwClosedAction::caRaise,
                    std::optional<TNwTimeLimit> wait = std::nullopt,
                    TNwTimeoutAction if_timed_out = TNwTimeoutAction::taRaise);

  // MaxLineLength (0: no limit) and MaxLineAction as a line limit.
  TNwLineLimit LineLimit() const;
  // A line up to `terminator` (LF: a CR before it is dropped as well) under
  // LineLimit(). A time-out yields "" and sets ReadLnTimedOut(); a split
  // line sets ReadLnSplit().
  std::string ReadLn(std::string_view terminator = "\n") { return ReadLn(LineLimit(), terminator); }
  // The same under an explicit limit: the input buffer never holds more
  // than the limit plus one receive while a line is looked for.
  std::string ReadLn(const TNwLineLimit& limit, std::string_view terminator = "\n",
                     std::optional<TNwTimeLimit> wait = std::nullopt);
  bool ReadLnSplit() const { return line_split_; }
  bool ReadLnTimedOut() const { return line_timed_out_; }

  void ReadBuffer(void* buffer, std::size_t count);
  std::string ReadString(std::size_t count);
  std::uint32_t ReadCardinal();
  // count >= 0: that many bytes; count -1 without until_close: a 32-bit
  // network-order length first; until_close: everything until the peer closes.
  void ReadStream(TNwStream& stream, std::int64_t count = -1, bool until_close = false);
  // One receive when connected, then everything buffered.
  std::string CurrentReadBuffer();
  std::size_t InputBufferSize() const { return input_.Size(); }
  // The bytes received and not yet consumed.
  std::string_view InputBufferView() const { return input_.View(); }

  void Write(std::string_view text) { WriteBuffer(text.data(), text.size()); }
  void WriteLn(std::string_view text = {});
  void WriteBuffer(const void* buffer, std::size_t count, bool write_now = false);
  void WriteCardinal(std::uint32_t value);
  // Sends the stream from its start (or position) to start + count (count
  // <= 0: to its size) in SendBufferSize pieces.
  void WriteStream(TNwStream& stream, TNwStreamFrom from = TNwStreamFrom::sfStart,
                   TNwLengthPrefix prefix = TNwLengthPrefix::lpNone, std::int64_t count = 0);
  void WriteFile(const std::string& path);

  // threshold -1: collect until flushed or closed; > 0: send on reaching it.
  void OpenWriteBuffer(int threshold = -1);
  void FlushWriteBuffer(int bytes = -1);
  void CloseWriteBuffer();
  void ClearWriteBuffer();
  void CancelWriteBuffer();
  bool WriteBufferOpen() const { return write_buffer_.has_value(); }

 protected:
  // Creates and owns a socket handler when none is set.
  void EnsureIOHandler();
  // Called at each connect: empty input, no close seen.
  void ResetForConnect();
  // After a failure: closes this side, with a reset when `reset`.
  void CloseSocketAfterError(bool reset = false);
  // Waits until `ready(slice)` says so, within `limit`; false when the
  // limit ran out. Every wait of the connection, and of the handler under
  // it, goes through here, the one place that decides when WaitHook runs:
  // with a hook, `ready` gets the limit in slices that end when the hook is
  // due (unless the handler's waits end at once), and the hook is called
  // before each slice when due.
  bool WaitPaced(TNwTimeLimit limit, const std::function<bool(TNwTimeLimit slice)>& ready);

  TNwIOHandler* handler_ = nullptr;

 private:
  void SendNow(const char* bytes, std::size_t count);
  void Close(bool reset);
  // The wait asked for (or ReadTimeout), cut to what is left of the deadline.
  TNwTimeLimit WaitLimit(std::optional<TNwTimeLimit> wait) const;

  // Calls WaitHook at the first wait, then once kNwWaitHookInterval has
  // passed since it last returned. The time is counted across waits, so a
  // peer that answers every wait just before the interval ends still lets
  // the hook run.
  void CallWaitHookWhenDue();

  std::unique_ptr<TNwIOHandler> owned_handler_;
  std::optional<std::chrono::steady_clock::time_point> hook_due_;
  TNwManagedBuffer input_;
  std::vector<char> scratch_;
  bool closed_gracefully_ = false;
  bool line_split_ = false;
  bool line_timed_out_ = false;
  TNwDeadline deadline_ = TNwDeadline::Never();
  std::optional<std::string> write_buffer_;
  int write_threshold_ = -1;
};

// Adds the address to connect to.
class TNwTCPClient : public TNwTCPConnection {
 public:
  std::string Host;
  int Port = 0;
  std::string BoundIP;
  int BoundPort = 0;

  // Unlimited: one blocking connect; otherwise bounded by `limit`. Either
  // way the exchange deadline bounds it too.
  virtual void Connect(TNwTimeLimit limit = TNwTimeLimit::Unlimited());
};

// Gives a connection an exchange deadline for the life of the scope: `limit`
// from now, or the deadline already set when that ends sooner. The previous
// deadline is put back at the end, so scopes nest.
class TNwExchangeDeadline {
 public:
  TNwExchangeDeadline(TNwTCPConnection& connection, TNwTimeLimit limit)
      : connection_(connection), saved_(connection.ExchangeDeadline()) {
    connection.SetExchangeDeadline(TNwDeadline::Earlier(saved_, TNwDeadline::After(limit)));
  }
  ~TNwExchangeDeadline() { connection_.SetExchangeDeadline(saved_); }
  TNwExchangeDeadline(const TNwExchangeDeadline&) = delete;
  TNwExchangeDeadline& operator=(const TNwExchangeDeadline&) = delete;

 private:
  TNwTCPConnection& connection_;
  TNwDeadline saved_;
};

}  // namespace vantora
