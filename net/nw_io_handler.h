#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/nw_host_lookup.h"
#include "net/nw_socket.h"
#include "net/nw_status.h"
#include "net/nw_time_limit.h"

// The byte-stream seam under a connection: the line, block and protocol
// readers above it run the same whether the bytes come from a socket, from a
// test's canned reply or from fuzzer input.
namespace vantora {

// Where a client connects to, and from.
struct TNwConnectRequest {
  std::string host;
  int port = 0;
  std::string bound_ip;
  int bound_port = 0;
  // Whether the connect as a whole has a limit: a refusal is then raised as
  // ENwConnectException, otherwise as the socket error itself.
  bool limited = false;
};

class TNwIOHandler {
 public:
  virtual ~TNwIOHandler() = default;
  TNwIOHandler() = default;
  TNwIOHandler(const TNwIOHandler&) = delete;
  TNwIOHandler& operator=(const TNwIOHandler&) = delete;

  // Makes the handler ready for a new connection.
  virtual void Open() = 0;
  // Allocates, binds, resolves and connects, the name lookup included,
  // waiting at most `wait` in this call (unlimited: as long as the system
  // takes). True once connected; false while the connect is under way, and
  // the next call goes on with it (Open and Close drop it). Raises the
  // connection errors, with the socket closed.
  virtual bool ConnectClient(const TNwConnectRequest& to, TNwTimeLimit wait, const TNwStatusHandler& status) = 0;
  // True while this side's end of the connection is open.
  virtual bool Connected() const = 0;
  // Shuts the sending side and closes. Harmless when closed.
  virtual void Close() = 0;
  // Closes with a reset, so the peer cannot take what it got for all there
  // was. Harmless when closed.
  virtual void Abort() = 0;
  // True when bytes (or the peer's close) wait; false when `wait` ran out.
  virtual bool Readable(TNwTimeLimit wait) = 0;
  // True when a send would take bytes now; false when `wait` ran out.
  virtual bool Writable(TNwTimeLimit wait) = 0;
  // True for a handler whose waits end at once, whatever they are given
  // (nothing changes while it waits): the connection then hands each wait
  // over whole instead of in slices between calls of its wait hook.
  virtual bool WaitsEndAtOnce() const { return false; }
  // As recv(): 0 means the peer closed, -1 sets `error` (Windows Sockets code).
  virtual long Recv(char* buffer, unsigned long length, int& error) = 0;
  // Never blocks: sends what can go now; -1 with 10035 when nothing can.
  virtual long Send(const char* buffer, unsigned long length, int& error) = 0;
};

// The socket handler: one TNwSocketHandle under the connection.
class TNwIOHandlerSocket : public TNwIOHandler {
 public:
  void Open() override;
  bool ConnectClient(const TNwConnectRequest& to, TNwTimeLimit wait, const TNwStatusHandler& status) override;
  bool Connected() const override { return binding_ && binding_->HandleAllocated(); }
  void Close() override;
  void Abort() override;
  bool Readable(TNwTimeLimit wait) override;
  bool Writable(TNwTimeLimit wait) override;
  long Recv(char* buffer, unsigned long length, int& error) override;
  long Send(const char* buffer, unsigned long length, int& error) override;

  // The socket with its addresses; null before the first Open.
  TNwSocketHandle* Binding() { return binding_.get(); }
  // Lets a listener hand over a socket it accepted.
  void AdoptBinding(std::unique_ptr<TNwSocketHandle> binding) { binding_ = std::move(binding); }

  // True (the default): TCP_NODELAY is left unset.
  bool UseNagle = true;
  // Turns a host name (neither "localhost" nor four decimals) into a dotted
  // IPv4 address; the system's lookup unless a test puts its own here. A
  // connect waited for in slices runs it on a worker thread that it may
  // leave behind (see TNwPendingLookup).
  TNwHostLookup HostLookup = LookupHostIPv4;

 private:
  // Starts the socket's connect to `ip`; raises what fails at once.
  void BeginConnect(const std::string& ip, const TNwConnectRequest& to, const TNwStatusHandler& status);
  // Drops a connect under way and closes the socket, with a reset when
  // `reset`.
  void DropConnect(bool reset);

  std::unique_ptr<TNwSocketHandle> binding_;
  // A connect under way: the name lookup, then the socket's connect.
  std::unique_ptr<TNwPendingLookup> lookup_;
  bool connecting_ = false;
};

}  // namespace vantora
