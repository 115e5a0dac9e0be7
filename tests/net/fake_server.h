#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A loopback server whose side of each connection is a script of exact
// bytes, so tests can make a peer misbehave in precise ways.
namespace vantora::testing {

// The server's end of one accepted connection. Every wait is bounded, so a
// client that never sends cannot hang a test.
class FakePeer {
 public:
  explicit FakePeer(int fd) : fd_(fd) {}
  ~FakePeer();
  FakePeer(const FakePeer&) = delete;
  FakePeer& operator=(const FakePeer&) = delete;

  // Reads up to and including the empty line that ends a request head.
  std::string ReadHead();
  // Reads a head and the body its Content-Length announces; head + body.
  std::string ReadRequest();
  std::string ReadExactly(std::size_t count);
  // Reads until the client closes (or the wait bound passes).
  std::string ReadUntilClose();
  // False when the client has gone and not every byte went out.
  bool Send(std::string_view bytes);
  void Close();
  // True when the client closed within the bound.
  bool WaitForClientClose(std::chrono::milliseconds bound = std::chrono::seconds(10));
  // Reads nothing at all (the client's sends fill the socket buffers) until
  // the test sets `release` or the bound passes. The client's close cannot
  // end it: its FIN waits behind the bytes nobody reads.
  void Stall(const std::atomic<bool>& release, std::chrono::milliseconds bound);

 private:
  // Appends what arrives within the bound to buffered_; false at close/time-out.
  bool Fill(std::chrono::milliseconds bound);
  int fd_;
  std::string buffered_;
};

class FakeServer {
 public:
  using Script = std::function<void(FakePeer&)>;

  // Serves one script per accepted connection, in order, on 127.0.0.1.
  explicit FakeServer(std::vector<Script> scripts, int port = 0);
  ~FakeServer();
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  int Port() const { return port_; }
  int Accepted() const { return accepted_.load(); }
  // Waits until every script has run (bounded); false when they did not.
  bool Finish(std::chrono::milliseconds bound = std::chrono::seconds(15));
  // What the scripts' reads returned, one entry per read call, in order.
  std::vector<std::string> Received() const;
  void Record(std::string bytes);

 private:
  void Serve();
  std::vector<Script> scripts_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<int> accepted_{0};
  bool done_ = false;
  std::condition_variable done_changed_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};

// A port on 127.0.0.1 that refuses connections while the guard lives: bound
// but not listening.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A listener that never accepts and whose queue is already full: the
// kernel drops every further connect's packets, as a firewall would. On a
// free port unless one is named.
class FullListener {
 public:
  explicit FullListener(int port = 0);
  ~FullListener();
  FullListener(const FullListener&) = delete;
  FullListener& operator=(const FullListener&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace vantora::testing
