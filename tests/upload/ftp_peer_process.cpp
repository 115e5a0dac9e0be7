#include "ftp_peer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace vantora::testing {

namespace {

// Debian's interpreter: the one python3-pyftpdlib is installed for.
constexpr char kPython[] = "/usr/bin/python3";

}  // namespace

FtpPeerProcess::FtpPeerProcess(int port, const std::string& home, const std::string& user,
                               const std::string& password) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv_text = {kPython, VANTORA_FTP_PEER_SCRIPT, "--port", std::to_string(port),
                                        "--root", home, "--user", user, "--password", password};
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(kPython, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);

  // The child announces "PORT <n>" once it listens.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{out[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[64];
    const ssize_t n = ::read(out[0], chunk, sizeof chunk);
    if (n <= 0) break;
    line.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  if (line.rfind("PORT ", 0) != 0) {
    Stop();
    throw std::runtime_error("the FTP server did not start: '" + line + "'");
  }
  port_ = std::atoi(line.c_str() + 5);
}

FtpPeerProcess::~FtpPeerProcess() { Stop(); }

void FtpPeerProcess::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

}  // namespace vantora::testing
