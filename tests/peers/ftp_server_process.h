#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/peers/python_peer.h"

// Real FTP servers as child processes of a test: pyftpdlib on a free
// loopback port, and vsftpd in standalone mode inside the test's private
// network namespace. Each serves a fresh writable folder to one account.
namespace vantora::testing {

class FtpServerProcess {
 public:
  ~FtpServerProcess();
  FtpServerProcess(const FtpServerProcess&) = delete;
  FtpServerProcess& operator=(const FtpServerProcess&) = delete;

  // tests/peers/ftp_server.py under /usr/bin/python3. Raises
  // std::runtime_error when it does not come up within ten seconds.
  static FtpServerProcess StartPyftpdlib(const std::string& user, const std::string& password);
  // vsftpd as root on 127.0.0.1:21. Call only inside a private network
  // namespace; the child adds the account in a private mount namespace of its
  // own (copies of passwd, shadow and group bound over the real ones), so the
  // machine's user database is never touched. Raises std::runtime_error with
  // the reason when vsftpd cannot run here.
  // With idle_s > 0 a session idle that many seconds is ended with a 421.
  static FtpServerProcess StartVsftpd(const std::string& user, const std::string& password, int idle_s = 0);

  FtpServerProcess(FtpServerProcess&& other) noexcept;
  int Port() const { return port_; }
  // The folder the account stores into.
  const std::string& Root() const { return root_; }
  // The bytes of a stored file ("" when missing).
  std::string Stored(const std::string& name) const;

 private:
  FtpServerProcess() = default;
  void Stop();

  std::optional<PythonPeer> python_;  // pyftpdlib
  pid_t pid_ = -1;                    // vsftpd
  int port_ = 0;
  std::string root_;
  std::string scratch_;  // removed at the end (holds root_ for pyftpdlib)
};

}  // namespace vantora::testing
