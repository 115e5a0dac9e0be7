#include "receiver_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vantora::testing {

namespace {

constexpr const char kPython[] = "/usr/bin/python3";

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

HttpReceiverProcess::HttpReceiverProcess(std::vector<std::string> args) {
  char dir_template[] = "/tmp/vantora-receiver-XXXXXX";
  if (!::mkdtemp(dir_template)) throw std::runtime_error("cannot create a record folder");
  record_dir_ = dir_template;

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv_text = {kPython, VANTORA_HTTP_RECEIVER_SCRIPT, "--port", "0", "--record",
                                        record_dir_};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
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
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) break;
    char chunk[64];
    const ssize_t n = ::read(out[0], chunk, sizeof chunk);
    if (n <= 0) break;
    line.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  if (line.rfind("PORT ", 0) != 0) {
    Stop();
    throw std::runtime_error("the HTTP receiver did not start: '" + line + "'");
  }
  port_ = std::atoi(line.c_str() + 5);
}

HttpReceiverProcess::~HttpReceiverProcess() { Stop(); }

void HttpReceiverProcess::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (!record_dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(record_dir_, ignored);
    record_dir_.clear();
  }
}

bool HttpReceiverProcess::WaitForRequest(int n, std::chrono::milliseconds timeout) const {
  const std::string done = std::to_string(n) + ".done";
  const std::filesystem::path path = std::filesystem::path(record_dir_) / done;
  const int watch_fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch_fd < 0) return false;
  ::inotify_add_watch(watch_fd, record_dir_.c_str(), IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool found = std::filesystem::exists(path);
  while (!found) {
    pollfd p{watch_fd, POLLIN, 0};
    if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) break;
    char events[4096];
    while (::read(watch_fd, events, sizeof events) > 0) {
    }
    found = std::filesystem::exists(path);
  }
  ::close(watch_fd);
  return found;
}

std::string HttpReceiverProcess::Record(int n, const std::string& suffix) const {
  std::ifstream in(std::filesystem::path(record_dir_) / (std::to_string(n) + "." + suffix), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vantora::testing
