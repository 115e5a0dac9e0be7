#include "tests/peers/receiver_process.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vantora::testing {

namespace {

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

  std::vector<std::string> peer_args = {VANTORA_HTTP_RECEIVER_SCRIPT, "--port", "0", "--record", record_dir_};
  peer_args.insert(peer_args.end(), args.begin(), args.end());
  try {
    peer_.emplace(peer_args, "the HTTP receiver");
  } catch (...) {
    Stop();  // the destructor does not run for a constructor that throws
    throw;
  }
}

HttpReceiverProcess::~HttpReceiverProcess() { Stop(); }

void HttpReceiverProcess::Stop() {
  peer_.reset();  // before its folder goes
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
