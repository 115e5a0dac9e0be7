#pragma once

#include <string>

#include "tests/peers/python_peer.h"

namespace vantora::testing {

// Runs tests/peers/ftp_server.py (python3-pyftpdlib) as a child process on a
// port of the caller's choosing (the dialog always speaks to port 21, so its
// tests serve that port inside a private network namespace): a real FTP
// server on 127.0.0.1 whose one account stores into `home`.
class FtpPeerProcess {
 public:
  // Raises std::runtime_error when the server does not come up within ten
  // seconds.
  FtpPeerProcess(int port, const std::string& home, const std::string& user, const std::string& password);
  // Terminates the child and waits for it.
  ~FtpPeerProcess();
  FtpPeerProcess(const FtpPeerProcess&) = delete;
  FtpPeerProcess& operator=(const FtpPeerProcess&) = delete;

  int Port() const { return peer_.Port(); }

 private:
  PythonPeer peer_;
};

}  // namespace vantora::testing
