#include "nw_io_handler.h"

#include "nw_exceptions.h"
#include "nw_socket_errors.h"

namespace vantora {

void TNwIOHandlerSocket::Open() {
  if (binding_) binding_->CloseSocket();
  else binding_ = std::make_unique<TNwSocketHandle>();
}

void TNwIOHandlerSocket::ConnectClient(const std::string& host, int port, const std::string& bound_ip,
                                       int bound_port, TNwTimeLimit limit, const TNwStatusHandler& status,
                                       TNwWaitPacer* pacer) {
  auto report = [&](TNwStatus s, const std::string& arg) {
    if (status) status(s, StatusText(s, arg));
  };
  // One bound for the lookup and the connect together.
  const TNwDeadline deadline = TNwDeadline::After(limit);
  try {
    binding_->AllocateSocket();
    binding_->Bind(bound_ip, bound_port);
    std::string ip = IsLocalhostName(host) ? "127.0.0.1" : host;
    if (!IsDottedQuad(ip)) {
      report(TNwStatus::hsResolving, host);
      const TNwHostLookup& lookup = HostLookup ? HostLookup : TNwHostLookup(LookupHostIPv4);
      if (limit.IsUnlimited() && (pacer == nullptr || !pacer->Active())) {
        ip = lookup(host);
      } else {
        std::optional<std::string> found = LookupWithin(lookup, host, deadline.Remaining(), pacer);
        if (!found) throw ENwConnectTimeout("Connect timed out.");
        ip = std::move(*found);
      }
    }
    report(TNwStatus::hsConnecting, ip);
    if (!UseNagle) binding_->SetNoDelay(true);
    const int err = binding_->Connect(ip, port, deadline.Remaining(), pacer);
    if (err == TNwSocketHandle::kConnectTimedOut) throw ENwConnectTimeout("Connect timed out.");
    if (err != 0) {
      // An unbounded connect reports the socket error itself; a bounded one
      // wraps its message.
      if (limit.IsUnlimited()) RaiseSocketError(err);
      throw ENwConnectException(SocketErrorMessage(err));
    }
    binding_->UpdateBindingLocal();
    binding_->UpdateBindingPeer();
  } catch (...) {
    binding_->CloseSocket();
    throw;
  }
}

void TNwIOHandlerSocket::Close() {
  if (binding_) binding_->CloseSocket();
}

void TNwIOHandlerSocket::Abort() {
  if (binding_) binding_->AbortSocket();
}

bool TNwIOHandlerSocket::Readable(TNwTimeLimit wait, TNwWaitPacer* pacer) {
  return binding_->Readable(wait, pacer);
}

bool TNwIOHandlerSocket::Writable(TNwTimeLimit wait, TNwWaitPacer* pacer) {
  return binding_->Writable(wait, pacer);
}

long TNwIOHandlerSocket::Recv(char* buffer, unsigned long length, int& error) {
  return binding_->Recv(buffer, length, error);
}

long TNwIOHandlerSocket::Send(const char* buffer, unsigned long length, int& error) {
  return binding_->Send(buffer, length, error);
}

}  // namespace vantora
