#pragma once
// Work that the start-up will need later, begun early on worker threads.
// Connecting to the display keeps the main thread mostly waiting on the X
// server; reading configuration files meanwhile takes that time off the
// start. The jobs only read: what the operator sees, and the order of the
// start-up steps, stay with the main thread.

#include <functional>
#include <thread>
#include <vector>

namespace vantora {

class StartupWarmUp {
 public:
  // Each job runs on a thread of its own. A job that fails is dropped
  // quietly: the step that needs its work does it again and reports.
  explicit StartupWarmUp(const std::vector<std::function<void()>>& jobs);
  ~StartupWarmUp();  // waits for the jobs still running
  StartupWarmUp(const StartupWarmUp&) = delete;
  StartupWarmUp& operator=(const StartupWarmUp&) = delete;

 private:
  std::vector<std::thread> threads_;
};

}  // namespace vantora
