#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/nw_time_limit.h"

struct pollfd;

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
  // Starts connecting without waiting; ConnectResult waits for the end,
  // as often as the caller likes. Each returns 0 once connected, the
  // Windows Sockets code of the failure, or kConnectPending. On every way
  // out but success the caller closes the socket.
  static constexpr int kConnectPending = -1;
  int StartConnect(const std::string& ip, int port);
  int ConnectResult(TNwTimeLimit wait);
  // Raises ENwSocketError.
  void Listen(int backlog);
  // Waits up to `wait` and accepts one connection into `into`; false when
  // the wait ran out.
  bool Accept(TNwSocketHandle& into, TNwTimeLimit wait);
  void SetNoDelay(bool on);

  // Shuts the sending side, then closes: the peer reads an orderly end.
  // Harmless when nothing is open.
  void CloseSocket();
  // Closes with a reset: bytes not yet sent are dropped and the peer's
  // next read fails (ECONNRESET) instead of ending as if all had come.
  void AbortSocket();

  // True when a read would not block (bytes, or the peer's close, wait).
  bool Readable(TNwTimeLimit wait) const;
  // True when a send would take at least one byte (or fail at once).
  bool Writable(TNwTimeLimit wait) const;
  // -1 with `error` (a Windows Sockets code) on failure; 0 means the peer closed.
  long Recv(char* buffer, unsigned long length, int& error);
  // Never blocks: takes what fits now, or fails with 10035 (would block).
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
  int blocking_flags_ = 0;  // the descriptor's flags before a connect
  std::string ip_;
  int port_ = 0;
  std::string peer_ip_;
  int peer_port_ = 0;
};

// poll() for at most `limit`; signals never end the wait early. Returns as
// poll() does: the ready count, 0 when the limit passed, -1 with errno.
int PollWithin(pollfd* fds, unsigned long count, TNwTimeLimit limit);

// "LOCALHOST" in any case is 127.0.0.1; four dotted decimal numbers of 0 to
// 255 stand as they are; anything else goes through LookupHostIPv4.
std::string ResolveHostToIPv4(const std::string& host);
// True for "localhost" in any letter case.
bool IsLocalhostName(const std::string& host);
// True for text made of exactly four dot-separated decimal numbers 0..255.
bool IsDottedQuad(const std::string& text);
// The address of such a text in network byte order. Each number is read as
// decimal, leading zeros included ("010" is ten): the system's own address
// conversion would refuse them.
std::optional<std::uint32_t> ParseDottedQuad(const std::string& text);
// The system's host-name lookup alone: the first IPv4 address of `host`.
// Raises ENwSocketError (11001 for an unknown name, 11002 when no resolver
// answered).
std::string LookupHostIPv4(const std::string& host);

}  // namespace vantora
