#include "tests/net/fake_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace vantora::testing {

namespace {

int ListenLoopback(int& port, bool listen_too) {
  const int wanted = port;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(wanted));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("bind failed");
  if (listen_too && ::listen(fd, 16) != 0) throw std::runtime_error("listen failed");
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

FakePeer::~FakePeer() { Close(); }

void FakePeer::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool FakePeer::Fill(std::chrono::milliseconds bound) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  const int r = ::poll(&p, 1, static_cast<int>(bound.count()));
  if (r <= 0) return false;
  char chunk[65536];
  const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
  if (n <= 0) return false;
  buffered_.append(chunk, static_cast<std::size_t>(n));
  return true;
}

std::string FakePeer::ReadHead() {
  for (;;) {
    const std::size_t end = buffered_.find("\r\n\r\n");
    if (end != std::string::npos) {
      std::string head = buffered_.substr(0, end + 4);
      buffered_.erase(0, end + 4);
      return head;
    }
    if (!Fill(std::chrono::seconds(10))) {
      std::string partial = std::move(buffered_);
      buffered_.clear();
      return partial;
    }
  }
}

std::string FakePeer::ReadRequest() {
  std::string head = ReadHead();
  std::size_t length = 0;
  const std::size_t at = head.find("Content-Length: ");
  if (at != std::string::npos) length = std::strtoul(head.c_str() + at + 16, nullptr, 10);
  return head + ReadExactly(length);
}

std::string FakePeer::ReadExactly(std::size_t count) {
  while (buffered_.size() < count && Fill(std::chrono::seconds(10))) {
  }
  const std::size_t n = std::min(count, buffered_.size());
  std::string out = buffered_.substr(0, n);
  buffered_.erase(0, n);
  return out;
}

std::string FakePeer::ReadUntilClose() {
  while (Fill(std::chrono::seconds(10))) {
  }
  std::string out = std::move(buffered_);
  buffered_.clear();
  return out;
}

bool FakePeer::Send(std::string_view bytes) {
  std::size_t sent = 0;
  while (fd_ >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return sent == bytes.size();
}

bool FakePeer::WaitForClientClose(std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < deadline) {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c;
    const ssize_t n = ::recv(fd_, &c, 1, 0);
    if (n <= 0) return true;
    buffered_ += c;
  }
  return false;
}

void FakePeer::Stall(const std::atomic<bool>& release, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!release && std::chrono::steady_clock::now() < deadline) {
    ::poll(nullptr, 0, 20);
  }
}

FakeServer::FakeServer(std::vector<Script> scripts, int port) : scripts_(std::move(scripts)), port_(port) {
  listen_fd_ = ListenLoopback(port_, true);
  thread_ = std::thread([this] { Serve(); });
}

FakeServer::~FakeServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

void FakeServer::Serve() {
  for (auto& script : scripts_) {
    int fd = -1;
    while (!stop_) {
      pollfd p{listen_fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        fd = ::accept(listen_fd_, nullptr, nullptr);
        break;
      }
    }
    if (fd < 0) break;
    ++accepted_;
    FakePeer peer(fd);
    script(peer);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  done_changed_.notify_all();
}

bool FakeServer::Finish(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  return done_changed_.wait_for(lock, bound, [this] { return done_; });
}

std::vector<std::string> FakeServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void FakeServer::Record(std::string bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.push_back(std::move(bytes));
}

RefusingPort::RefusingPort() {
  port_ = 0;
  fd_ = ListenLoopback(port_, false); }

RefusingPort::~RefusingPort() {
  if (fd_ >= 0) ::close(fd_);
}

FullListener::FullListener(int port) : port_(port) {
  fd_ = ListenLoopback(port_, false);
  ::listen(fd_, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port_));
  // A backlog of 0 still queues one connection; two more fill every slot.
  for (int i = 0; i < 3; ++i) {
    const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::connect(c, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    fillers_.push_back(c);
  }
}

FullListener::~FullListener() {
  for (int c : fillers_) ::close(c);
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace vantora::testing
