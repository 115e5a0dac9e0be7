#include "net/nw_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>

#include "net/nw_exceptions.h"
#include "net/nw_socket_errors.h"

namespace vantora {

namespace {

sockaddr_in MakeAddress(const std::string& ip, int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (ip.empty()) {
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
  } else if (const auto quad = ParseDottedQuad(ip)) {
    addr.sin_addr.s_addr = *quad;
  } else {
    RaiseSocketError(kWsaEInvalid);
  }
  return addr;
}

void ReadAddress(const sockaddr_in& addr, std::string& ip, int& port) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
  ip = text;
  port = ntohs(addr.sin_port);
}

int PollOne(int fd, short events, TNwTimeLimit limit) {
  pollfd p{fd, events, 0};
  return PollWithin(&p, 1, limit);
}

}  // namespace

void TNwSocketHandle::AllocateSocket() {
  CloseSocket();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw ENwInvalidSocket("Cannot allocate socket.");
}

void TNwSocketHandle::Bind(const std::string& ip, int port) {
  sockaddr_in addr = MakeAddress(ip, port);
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw ENwCouldNotBindSocket("Could not bind socket. Address and port are already in use.");
  }
  UpdateBindingLocal();
}

int TNwSocketHandle::StartConnect(const std::string& ip, int port) {
  sockaddr_in addr = MakeAddress(ip, port);
  // Without blocking, so the wait is one this side bounds and paces.
  blocking_flags_ = ::fcntl(fd_, F_GETFL);
  ::fcntl(fd_, F_SETFL, blocking_flags_ | O_NONBLOCK);
  const bool done = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  if (!done && errno != EINPROGRESS && errno != EINTR) return WinsockCodeFromErrno(errno);
  return ConnectResult(TNwTimeLimit::Milliseconds(0));
}

int TNwSocketHandle::ConnectResult(TNwTimeLimit wait) {
  const int r = PollOne(fd_, POLLOUT, wait);
  if (r == 0) return kConnectPending;
  int err = 0;
  socklen_t len = sizeof err;
  if (r < 0) err = errno;
  else ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
  if (err != 0) return WinsockCodeFromErrno(err);
  ::fcntl(fd_, F_SETFL, blocking_flags_);
  return 0;
}

void TNwSocketHandle::Listen(int backlog) {
  if (::listen(fd_, backlog) != 0) RaiseSocketError(WinsockCodeFromErrno(errno));
}

bool TNwSocketHandle::Accept(TNwSocketHandle& into, TNwTimeLimit wait) {
  const int r = PollOne(fd_, POLLIN, wait);
  if (r == 0) return false;
  if (r < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  int fd;
  do {
    fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  into.CloseSocket();
  into.fd_ = fd;
  into.UpdateBindingLocal();
  into.UpdateBindingPeer();
  return true;
}

void TNwSocketHandle::SetNoDelay(bool on) {
  int value = on ? 1 : 0;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value);
}

void TNwSocketHandle::CloseSocket() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void TNwSocketHandle::AbortSocket() {
  if (fd_ < 0) return;
  const linger reset{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  ::close(fd_);
  fd_ = -1;
}

bool TNwSocketHandle::Readable(TNwTimeLimit wait) const {
  const int r = PollOne(fd_, POLLIN, wait);
  if (r < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  return r > 0;
}

bool TNwSocketHandle::Writable(TNwTimeLimit wait) const {
  // POLLOUT, or an error or hang-up that the next send reports.
  const int r = PollOne(fd_, POLLOUT, wait);
  if (r < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  return r > 0;
}

long TNwSocketHandle::Recv(char* buffer, unsigned long length, int& error) {
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer, length, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    error = WinsockCodeFromErrno(errno);
    return -1;
  }
}

long TNwSocketHandle::Send(const char* buffer, unsigned long length, int& error) {
  for (;;) {
    // MSG_NOSIGNAL: a peer that has gone away is an error, not a SIGPIPE.
    // MSG_DONTWAIT: the caller waits for room itself, within its time limit,
    // so a peer that never reads cannot hold a blocking send forever.
    const ssize_t n = ::send(fd_, buffer, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    error = WinsockCodeFromErrno(errno);
    return -1;
  }
}

void TNwSocketHandle::UpdateBindingLocal() {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) ReadAddress(addr, ip_, port_);
}

void TNwSocketHandle::UpdateBindingPeer() {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) ReadAddress(addr, peer_ip_, peer_port_);
}

int PollWithin(pollfd* fds, unsigned long count, TNwTimeLimit limit) {
  const TNwDeadline deadline = TNwDeadline::After(limit);
  for (;;) {
    const int r = ::poll(fds, static_cast<nfds_t>(count), deadline.Remaining().PollMs());
    if (r >= 0 || errno != EINTR) return r;
  }
}

std::optional<std::uint32_t> ParseDottedQuad(const std::string& text) {
  std::uint32_t address = 0;
  int parts = 0;
  std::size_t i = 0;
  while (i <= text.size()) {
    std::size_t j = i;
    std::uint32_t value = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      value = value * 10 + static_cast<std::uint32_t>(text[j] - '0');
      if (value > 255 || j - i >= 3) return std::nullopt;
      ++j;
    }
    if (j == i || parts == 4) return std::nullopt;
    address = (address << 8) | value;
    ++parts;
    if (j == text.size()) break;
    if (text[j] != '.') return std::nullopt;
    i = j + 1;
  }
  if (parts != 4) return std::nullopt;
  return htonl(address);
}

bool IsDottedQuad(const std::string& text) { return ParseDottedQuad(text).has_value(); }

bool IsLocalhostName(const std::string& host) {
  std::string upper;
  for (char c : host) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == "LOCALHOST";
}

std::string ResolveHostToIPv4(const std::string& host) {
  if (IsLocalhostName(host)) return "127.0.0.1";
  if (IsDottedQuad(host)) return host;
  return LookupHostIPv4(host);
}

std::string LookupHostIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int r = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (r != 0 || found == nullptr) {
    const int err = errno;
    if (found) ::freeaddrinfo(found);
    RaiseSocketError(WinsockCodeFromLookup(r == 0 ? EAI_NONAME : r, err));
  }
  std::string ip;
  int port = 0;
  ReadAddress(*reinterpret_cast<sockaddr_in*>(found->ai_addr), ip, port);
  ::freeaddrinfo(found);
  return ip;
}

}  // namespace vantora
