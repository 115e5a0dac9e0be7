#include "net/nw_simple_server.h"

#include <poll.h>

#include <cerrno>

#include "net/nw_limits.h"
#include "net/nw_socket_errors.h"

namespace vantora {

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

TNwListenOutcome TNwSimpleServer::Listen(TNwTimeLimit wait, int watch_fd) {
  if (!Listening()) throw ENwNotConnected("Not Connected");
  const TNwDeadline deadline = TNwDeadline::After(wait);
  auto accepted = std::make_unique<TNwSocketHandle>();
  for (;;) {
    pollfd fds[2] = {{listener_->Handle(), POLLIN, 0}, {watch_fd, POLLIN, 0}};
    const bool ready = WaitPaced(deadline.Remaining(), [&](TNwTimeLimit slice) {
      const int r = PollWithin(fds, watch_fd >= 0 ? 2 : 1, slice);
      if (r < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
      return r > 0;
    });
    if (!ready) return TNwListenOutcome::loTimedOut;
    // A connection that is already there wins over a reply.
    if (fds[0].revents == 0) return TNwListenOutcome::loWatchedReady;
    // A connection that was reset before it was taken leaves nothing to
    // accept; then the wait goes on.
    if (!listener_->Accept(*accepted, TNwTimeLimit::Milliseconds(0))) continue;
    if (AcceptFromIP.empty() || accepted->PeerIP() == AcceptFromIP) break;
    accepted->AbortSocket();
  }
  Abort();
  auto handler = std::make_unique<TNwIOHandlerSocket>();
  handler->AdoptBinding(std::move(accepted));
  AdoptIOHandler(std::move(handler));
  return TNwListenOutcome::loAccepted;
}

}  // namespace vantora
