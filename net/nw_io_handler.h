#pragma once

#include <functional>
#include <memory>
#include <string>

#include "nw_socket.h"
#include "nw_status.h"

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
  // Allocates, binds, resolves and connects; raises the connection errors.
  virtual void ConnectClient(const std::string& host, int port, const std::string& bound_ip,
                             int bound_port, int timeout_ms, const TNwStatusHandler& status) = 0;
  // True while this side's end of the connection is open.
  virtual bool Connected() const = 0;
  // Shuts the sending side and closes. Harmless when closed.
  virtual void Close() = 0;
  // timeout_ms < 0 waits without limit; true when bytes (or the close) wait.
  virtual bool Readable(int timeout_ms) = 0;
  // As recv(): 0 means the peer closed, -1 sets `error` (Windows Sockets code).
  virtual long Recv(char* buffer, unsigned long length, int& error) = 0;
  virtual long Send(const char* buffer, unsigned long length, int& error) = 0;
};

// The socket handler: one TNwSocketHandle under the connection.
class TNwIOHandlerSocket : public TNwIOHandler {
 public:
  void Open() override;
  void ConnectClient(const std::string& host, int port, const std::string& bound_ip, int bound_port,
                     int timeout_ms, const TNwStatusHandler& status) override;
  bool Connected() const override { return binding_ && binding_->HandleAllocated(); }
  void Close() override;
  bool Readable(int timeout_ms) override;
  long Recv(char* buffer, unsigned long length, int& error) override;
  long Send(const char* buffer, unsigned long length, int& error) override;

  // The socket with its addresses; null before the first Open.
  TNwSocketHandle* Binding() { return binding_.get(); }
  // Lets a listener hand over a socket it accepted.
  void AdoptBinding(std::unique_ptr<TNwSocketHandle> binding) { binding_ = std::move(binding); }

  // True (the default): TCP_NODELAY is left unset.
  bool UseNagle = true;

 private:
  std::unique_ptr<TNwSocketHandle> binding_;
};

}  // namespace vantora
