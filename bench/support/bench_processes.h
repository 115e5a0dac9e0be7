#pragma once
// What the benchmarks that start other programs share: a child process that
// is ended and reaped with its object, an environment with changes, and a
// private virtual X server.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include <spawn.h>

namespace vantora::bench {

// A child process, ended (SIGKILL) and reaped when the object goes.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
        posix_spawn_file_actions_t* actions = nullptr);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = 0;
};

// This process's environment with each "NAME=value" of `changes` set.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes);

// Xvfb on a display number of its own choosing, ended with the object.
class VirtualScreen {
 public:
  explicit VirtualScreen(const std::string& geometry = "1024x768x24");
  const std::string& Display() const { return display_; }
  pid_t ServerPid() const { return server_->Pid(); }

 private:
  std::unique_ptr<Child> server_;
  std::string display_;
};

// CPU seconds (user and system) a process has used so far, read from
// /proc; 0 when it cannot be read.
double ProcessCpuSeconds(pid_t pid);

}  // namespace vantora::bench
