#include "tests/peers/python_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace vantora::testing {

namespace {

// Debian's interpreter: the one python3-pyftpdlib is installed for.
constexpr char kPython[] = "/usr/bin/python3";

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

// The first line `fd` delivers before the deadline (with its newline), or
// whatever came until the deadline or the end of the output.
std::string FirstLine(int fd, std::chrono::steady_clock::time_point deadline) {
  std::string line;
  while (line.find('\n') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) break;
    char chunk[64];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    line.append(chunk, static_cast<std::size_t>(n));
  }
  return line;
}

}  // namespace

PythonPeer::PythonPeer(const std::vector<std::string>& args, const std::string& name,
                       std::chrono::milliseconds timeout) {
  // The argument vector is made before the fork: the child of a threaded
  // test may only call async-signal-safe functions.
  std::vector<std::string> argv_text = {kPython};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = ::fork();
  if (pid_ < 0) {
    ::close(out[0]);
    ::close(out[1]);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(kPython, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  const std::string line = FirstLine(out[0], std::chrono::steady_clock::now() + timeout);
  ::close(out[0]);
  if (line.rfind("PORT ", 0) != 0) {
    Stop();
    throw std::runtime_error(name + " did not start: '" + line + "'");
  }
  port_ = std::atoi(line.c_str() + 5);
}

PythonPeer::PythonPeer(PythonPeer&& other) noexcept : pid_(other.pid_), port_(other.port_) { other.pid_ = -1; }

PythonPeer::~PythonPeer() { Stop(); }

void PythonPeer::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

}  // namespace vantora::testing
