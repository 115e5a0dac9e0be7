#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vantora::testing {

// A Python peer script as a child process of a test. The script writes
// "PORT <n>" on its standard output once it listens; the child dies with the
// test (even when the test crashes) and is terminated and reaped when this
// object goes.
class PythonPeer {
 public:
  // Runs /usr/bin/python3 with `args` (the script first). `name` says what
  // failed in the std::runtime_error raised when no port is announced within
  // `timeout`; the child is stopped then.
  PythonPeer(const std::vector<std::string>& args, const std::string& name,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));
  ~PythonPeer();
  PythonPeer(PythonPeer&& other) noexcept;
  PythonPeer(const PythonPeer&) = delete;
  PythonPeer& operator=(const PythonPeer&) = delete;
  PythonPeer& operator=(PythonPeer&&) = delete;

  int Port() const { return port_; }
  // Terminates the child and waits for it; nothing when already stopped.
  void Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace vantora::testing
