#include "nw_io_handler.h"

#include "nw_exceptions.h"

namespace vantora {

void TNwIOHandlerSocket::Open() {
  if (binding_) binding_->CloseSocket();
  else binding_ = std::make_unique<TNwSocketHandle>();
}

void TNwIOHandlerSocket::ConnectClient(const std::string& host, int port, const std::string& bound_ip,
                                       int bound_port, TNwTimeLimit limit, const TNwStatusHandler& status) {
  auto report = [&](TNwStatus s, const std::string& arg) {
    if (status) status(s, StatusText(s, arg));
  };
  try {
    binding_->AllocateSocket();
    binding_->Bind(bound_ip, bound_port);
    std::string ip = IsLocalhostName(host) ? "127.0.0.1" : host;
    if (!IsDottedQuad(ip)) {
      report(TNwStatus::hsResolving, host);
      ip = HostLookup ? HostLookup(host) : LookupHostIPv4(host);
    }
    report(TNwStatus::hsConnecting, ip);
    if (!UseNagle) binding_->SetNoDelay(true);
    if (!limit.IsUnlimited()) {
      binding_->ConnectWithTimeout(ip, port, limit);
    } else if (const int err = binding_->Connect(ip, port); err != 0) {
      RaiseSocketError(err);
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

bool TNwIOHandlerSocket::Readable(TNwTimeLimit wait) { return binding_->Readable(wait); }

bool TNwIOHandlerSocket::Writable(TNwTimeLimit wait) { return binding_->Writable(wait); }

long TNwIOHandlerSocket::Recv(char* buffer, unsigned long length, int& error) {
  return binding_->Recv(buffer, length, error);
}

long TNwIOHandlerSocket::Send(const char* buffer, unsigned long length, int& error) {
  return binding_->Send(buffer, length, error);
}

}  // namespace vantora
