#pragma once

#include <functional>
#include <memory>
#include <string>

#include "nw_socket.h"
#include "nw_status.h"
#include "nw_host_lookup.h"
#include "nw_time_limit.h"
#include "nw_wait_hook.h"

// The byte-stream seam under a connection: the line, block and protocol
// readers above it run the same whether the bytes come from a socket, from a
// test's canned reply or from fuzzer input.
namespace vantora {

class TNwIOHandler {
 public:
  virtual ~TNwIOHandler() = default;
  TNwIOHandler() = default;
  TNwIOHandler(const TNwIOHandler&) = delete;
  TNwIOHandler& operator=(const TNwIOHandler&) = delete;

  // Makes the handler ready for a new connection.
  virtual void Open() = 0;
  // Allocates, binds, resolves and connects, the name lookup included,
  // within `limit` (unlimited: as long as the system takes); raises the
  // connection errors. Every wait lets `pacer` (may be null) call its hook.
  virtual void ConnectClient(const std::string& host, int port, const std::string& bound_ip,
                             int bound_port, TNwTimeLimit limit, const TNwStatusHandler& status,
                             TNwWaitPacer* pacer) = 0;
  // True while this side's end of the connection is open.
  virtual bool Connected() const = 0;
  // Shuts the sending side and closes. Harmless when closed.
  virtual void Close() = 0;
  // Closes with a reset, so the peer cannot take what it got for all there
  // was. Harmless when closed.
  virtual void Abort() = 0;
  // True when bytes (or the peer's close) wait; false when `wait` ran out.
  virtual bool Readable(TNwTimeLimit wait, TNwWaitPacer* pacer) = 0;
  // True when a send would take bytes now; false when `wait` ran out.
  virtual bool Writable(TNwTimeLimit wait, TNwWaitPacer* pacer) = 0;
  // As recv(): 0 means the peer closed, -1 sets `error` (Windows Sockets code).
  virtual long Recv(char* buffer, unsigned long length, int& error) = 0;
  // Never blocks: sends what can go now; -1 with 10035 when nothing can.
  virtual long Send(const char* buffer, unsigned long length, int& error) = 0;
};

// The socket handler: one TNwSocketHandle under the connection.
class TNwIOHandlerSocket : public TNwIOHandler {
 public:
  void Open() override;
  void ConnectClient(const std::string& host, int port, const std::string& bound_ip, int bound_port,
                     TNwTimeLimit limit, const TNwStatusHandler& status, TNwWaitPacer* pacer) override;
  bool Connected() const override { return binding_ && binding_->HandleAllocated(); }
  void Close() override;
  void Abort() override;
  bool Readable(TNwTimeLimit wait, TNwWaitPacer* pacer) override;
  bool Writable(TNwTimeLimit wait, TNwWaitPacer* pacer) override;
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
  // bounded or paced connect runs it on a worker thread that it may leave
  // behind (see LookupWithin).
  TNwHostLookup HostLookup = LookupHostIPv4;

 private:
  std::unique_ptr<TNwSocketHandle> binding_;
};

}  // namespace vantora
