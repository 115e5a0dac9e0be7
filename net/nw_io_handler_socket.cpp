#include "net/nw_io_handler.h"

#include "net/nw_exceptions.h"
#include "net/nw_socket_errors.h"

namespace vantora {

namespace {

// An unlimited connect reports the socket error itself; a limited one wraps
// its message.
[[noreturn]] void RaiseConnectError(int err, bool limited) {
  if (!limited) RaiseSocketError(err);
  throw ENwConnectException(SocketErrorMessage(err));
}

}  // namespace

void TNwIOHandlerSocket::Open() {
  if (binding_) DropConnect(false);
  else binding_ = std::make_unique<TNwSocketHandle>();
}

bool TNwIOHandlerSocket::ConnectClient(const TNwConnectRequest& to, TNwTimeLimit wait,
                                       const TNwStatusHandler& status) {
  const TNwDeadline call_ends = TNwDeadline::After(wait);
  try {
    if (!lookup_ && !connecting_) {
      binding_->AllocateSocket();
      binding_->Bind(to.bound_ip, to.bound_port);
      const std::string ip = IsLocalhostName(to.host) ? "127.0.0.1" : to.host;
      if (IsDottedQuad(ip)) {
        BeginConnect(ip, to, status);
      } else {
        if (status) status(TNwStatus::hsResolving, StatusText(TNwStatus::hsResolving, to.host));
        const TNwHostLookup& lookup = HostLookup ? HostLookup : TNwHostLookup(LookupHostIPv4);
        // A wait without limit may block in the system's lookup itself.
        if (wait.IsUnlimited()) BeginConnect(lookup(to.host), to, status);
        else lookup_ = std::make_unique<TNwPendingLookup>(lookup, to.host);
      }
    }
    if (lookup_) {
      const std::optional<std::string> ip = lookup_->Wait(call_ends.Remaining());
      if (!ip) return false;
      lookup_.reset();
      BeginConnect(*ip, to, status);
    }
    const int err = binding_->ConnectResult(call_ends.Remaining());
    if (err == TNwSocketHandle::kConnectPending) return false;
    connecting_ = false;
    if (err != 0) RaiseConnectError(err, to.limited);
    binding_->UpdateBindingLocal();
    binding_->UpdateBindingPeer();
    return true;
  } catch (...) {
    DropConnect(false);
    throw;
  }
}

void TNwIOHandlerSocket::BeginConnect(const std::string& ip, const TNwConnectRequest& to,
                                      const TNwStatusHandler& status) {
  if (status) status(TNwStatus::hsConnecting, StatusText(TNwStatus::hsConnecting, ip));
  if (!UseNagle) binding_->SetNoDelay(true);
  connecting_ = true;
  const int err = binding_->StartConnect(ip, to.port);
  if (err != 0 && err != TNwSocketHandle::kConnectPending) RaiseConnectError(err, to.limited);
}

void TNwIOHandlerSocket::DropConnect(bool reset) {
  lookup_.reset();
  connecting_ = false;
  if (reset) binding_->AbortSocket();
  else binding_->CloseSocket();
}

void TNwIOHandlerSocket::Close() {
  if (binding_) DropConnect(false);
}

void TNwIOHandlerSocket::Abort() {
  if (binding_) DropConnect(true);
}

bool TNwIOHandlerSocket::Readable(TNwTimeLimit wait) { return binding_->Readable(wait); }

bool TNwIOHandlerSocket::Writable(TNwTimeLimit wait) { return binding_->Writable(wait); }

long TNwIOHandlerSocket::Recv(char* buffer, unsigned long length, int& error) {
  return binding_->Recv(buffer, length, error);
}

long TNwIOHandlerSocket::Send(const char* buffer, unsigned long length, int& error) {
  return binding_->Send(buffer, length, error);
}

}  // namespace vantora
