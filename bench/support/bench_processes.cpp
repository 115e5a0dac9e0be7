#include "bench/support/bench_processes.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace vantora::bench {

namespace {

constexpr int kWaitMilliseconds = 60'000;

// A display server needs none of the libraries a measured program runs
// with (an emulation's preloads, say).
std::vector<std::string> ServerEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("LD_PRELOAD=", 0) != 0) env.emplace_back(*e);
  }
  return env;
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (const std::string& e : environment) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);
  if (::posix_spawnp(&pid_, args[0], actions, nullptr, args.data(), env.data()) != 0) {
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

Child::~Child() {
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& change : changes) {
      replaced |= entry.compare(0, change.find('=') + 1, change, 0, change.find('=') + 1) == 0;
    }
    if (!replaced) result.push_back(entry);
  }
  result.insert(result.end(), changes.begin(), changes.end());
  return result;
}

VirtualScreen::VirtualScreen(const std::string& geometry) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Close first: the read end may itself be descriptor 3.
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  server_ = std::make_unique<Child>(
      // -noreset: the server would otherwise reset when its last client
      // leaves, between two runs, and refuse the next client meanwhile.
      std::vector<std::string>{"Xvfb", "-displayfd", "3", "-screen", "0", geometry, "-nolisten", "tcp", "-noreset"},
      ServerEnvironment(), &actions);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  char c = 0;
  while (::poll(&wait, 1, kWaitMilliseconds) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
}

double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  // Fields after the command name, which ends with the last ')'.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace vantora::bench
