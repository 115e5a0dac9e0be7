#include "nw_simple_server.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

#include "nw_limits.h"
#include "nw_socket_errors.h"

namespace vantora {

namespace {

using Clock = std::chrono::steady_clock;

// Polls the listener (and the watched descriptor) until one is ready or the
// time runs out; signals only shorten a round, never the whole wait.
TNwListenOutcome WaitForEither(int listen_fd, int watch_fd, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left < 0 ? 0 : static_cast<int>(left);
    }
    pollfd fds[2] = {{listen_fd, POLLIN, 0}, {watch_fd, POLLIN, 0}};
    const int r = ::poll(fds, watch_fd >= 0 ? 2 : 1, wait);
    if (r < 0) {
      if (errno == EINTR) continue;
      RaiseSocketError(WinsockCodeFromErrno(errno));
    }
    if (r == 0) return TNwListenOutcome::loTimedOut;
    // A connection that is already there wins over a reply.
    if (fds[0].revents != 0) return TNwListenOutcome::loAccepted;
    return TNwListenOutcome::loWatchedReady;
  }
}

// The accepted socket, with each send bounded: a peer that stops taking the
// file ends the transfer instead of blocking the caller for good.
class TNwIOHandlerStallBound : public TNwIOHandlerSocket {
 public:
  explicit TNwIOHandlerStallBound(int stall_timeout_ms) : stall_timeout_ms_(stall_timeout_ms) {}

  long Send(const char* buffer, unsigned long length, int& error) override {
    if (stall_timeout_ms_ > 0) {
      pollfd p{Binding()->Handle(), POLLOUT, 0};
      int r;
      do {
        r = ::poll(&p, 1, stall_timeout_ms_);
      } while (r < 0 && errno == EINTR);
      if (r == 0) throw ENwTransferTimeout();
    }
    return TNwIOHandlerSocket::Send(buffer, length, error);
  }

 private:
  int stall_timeout_ms_;
};

}  // namespace

TNwSimpleServer::~TNwSimpleServer() { Abort(); }

void TNwSimpleServer::Abort() {
  if (listener_) listener_->CloseSocket();
  listener_.reset();
}

void TNwSimpleServer::Bind() {
  Abort();
  listener_ = std::make_unique<TNwSocketHandle>();
  listener_->AllocateSocket();
  listener_->Bind(BoundIP, BoundPort);
  listen_ip_ = listener_->IP();
  listen_port_ = listener_->Port();
}

void TNwSimpleServer::BeginListen() {
  Bind();
  try {
    listener_->Listen(kNwFtpListenBacklog);
  } catch (...) {
    Abort();
    throw;
  }
}

void TNwSimpleServer::Reset() {
  Abort();
  Disconnect();
}

TNwListenOutcome TNwSimpleServer::Listen(int timeout_ms, int watch_fd) {
  if (!Listening()) throw ENwNotConnected("Not Connected");
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  auto accepted = std::make_unique<TNwSocketHandle>();
  for (;;) {
    int left = -1;
    if (timeout_ms >= 0) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = ms < 0 ? 0 : static_cast<int>(ms);
    }
    const TNwListenOutcome outcome = WaitForEither(listener_->Handle(), watch_fd, left);
    if (outcome != TNwListenOutcome::loAccepted) return outcome;
    // A connection that was reset before it was taken leaves nothing to
    // accept; then the wait goes on.
    if (listener_->Accept(*accepted, 0)) break;
  }
  Abort();
  auto handler = std::make_unique<TNwIOHandlerStallBound>(SendStallTimeout);
  handler->AdoptBinding(std::move(accepted));
  AdoptIOHandler(std::move(handler));
  return TNwListenOutcome::loAccepted;
}

}  // namespace vantora
