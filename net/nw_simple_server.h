#pragma once

#include <memory>
#include <string>

#include "net/nw_exceptions.h"
#include "net/nw_socket.h"
#include "net/nw_tcp_connection.h"

// A connection that gets its one peer by listening instead of connecting:
// the FTP client's data channel in active mode. It binds, listens, takes the
// first incoming connection and closes the listener at once, so no second
// peer is ever taken; from then on it is an ordinary connection.
namespace vantora {

// No connection came within the time allowed.
class ENwAcceptTimeout : public ENwException {
 public:
  ENwAcceptTimeout() : ENwException("Accept timed out.") {}
};

// What ended a wait for the incoming connection.
enum class TNwListenOutcome {
  loAccepted,      // the connection is taken; the listener is closed
  loTimedOut,      // the time allowed passed
  loWatchedReady,  // the watched descriptor became readable first
};

class TNwSimpleServer : public TNwTCPConnection {
 public:
  ~TNwSimpleServer() override;

  // Local address to listen on (empty: any) and port (0: the system chooses).
  std::string BoundIP;
  int BoundPort = 0;
  // The one address a connection is taken from (empty: any). A connection
  // from anywhere else is reset and the wait goes on, so a third party that
  // races the expected peer to the port gets nothing.
  std::string AcceptFromIP;

  // Closes the listener, if any.
  virtual void Abort();
  // Binds and listens; afterwards ListenIP()/ListenPort() tell where.
  virtual void BeginListen();
  // Allocates the listening socket and binds it to BoundIP/BoundPort;
  // raises ENwCouldNotBindSocket.
  virtual void Bind();
  // Closes the listener and any accepted connection.
  virtual void Reset();
  // Waits up to `wait` for a connection (from AcceptFromIP) and takes it,
  // closing the listener. With watch_fd >= 0 the wait also ends when that
  // descriptor has something to read (the control connection's reply).
  // WaitHook is called meanwhile.
  virtual TNwListenOutcome Listen(TNwTimeLimit wait, int watch_fd = -1);

  bool Listening() const { return listener_ != nullptr && listener_->HandleAllocated(); }
  // The address and port the system assigned to the listener.
  const std::string& ListenIP() const { return listen_ip_; }
  int ListenPort() const { return listen_port_; }

 private:
  std::unique_ptr<TNwSocketHandle> listener_;
  std::string listen_ip_;
  int listen_port_ = 0;
};

}  // namespace vantora
