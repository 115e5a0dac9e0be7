#pragma once

#include <string>

// One IPv4 stream socket with the local and peer addresses the system reports
// for it. The descriptor is owned: destroying the handle closes it.
namespace vantora {

class TNwSocketHandle {
 public:
  TNwSocketHandle() = default;
  ~TNwSocketHandle() { CloseSocket(); }
  TNwSocketHandle(const TNwSocketHandle&) = delete;
  TNwSocketHandle& operator=(const TNwSocketHandle&) = delete;

  // Raises ENwInvalidSocket when no socket can be had.
  void AllocateSocket();
  // Empty ip = any address, port 0 = any port; raises ENwCouldNotBindSocket.
  void Bind(const std::string& ip, int port);
  // Blocking connect; returns 0 or the Windows Sockets code of the failure.
  int Connect(const std::string& ip, int port);
  // Connect bounded by timeout_ms (> 0): ENwConnectTimeout when it passes,
  // ENwConnectException carrying the socket error's message on failure.
  void ConnectWithTimeout(const std::string& ip, int port, int timeout_ms);
  // Raises ENwSocketError.
  void Listen(int backlog);
  // Waits (timeout_ms < 0: without limit) and accepts one connection into
  // `into`; false when the wait ran out.
  bool Accept(TNwSocketHandle& into, int timeout_ms);
  void SetNoDelay(bool on);

  // Shuts the sending side, then closes. Harmless when nothing is open.
  void CloseSocket();

  // timeout_ms < 0 waits without limit. True when a read would not block.
  bool Readable(int timeout_ms) const;
  // -1 with `error` (a Windows Sockets code) on failure; 0 means the peer closed.
  long Recv(char* buffer, unsigned long length, int& error);
  long Send(const char* buffer, unsigned long length, int& error);

  void UpdateBindingLocal();
  void UpdateBindingPeer();

  bool HandleAllocated() const { return fd_ >= 0; }
  int Handle() const { return fd_; }
  const std::string& IP() const { return ip_; }
  int Port() const { return port_; }
  const std::string& PeerIP() const { return peer_ip_; }
  int PeerPort() const { return peer_port_; }

 private:
  int fd_ = -1;
  std::string ip_;
  int port_ = 0;
  std::string peer_ip_;
  int peer_port_ = 0;
};

// "LOCALHOST" in any case is 127.0.0.1; four dotted decimal numbers of 0 to
// 255 stand as they are; anything else goes through the host-name lookup.
// Raises ENwSocketError (11001 for an unknown name).
std::string ResolveHostToIPv4(const std::string& host);
// True for "localhost" in any letter case.
bool IsLocalhostName(const std::string& host);
// True for text made of exactly four dot-separated decimal numbers 0..255.
bool IsDottedQuad(const std::string& text);

}  // namespace vantora
