#include "app/startup_warmup.h"

#include <system_error>

namespace vantora {

StartupWarmUp::StartupWarmUp(const std::vector<std::function<void()>>& jobs) {
  for (const auto& job : jobs) {
    try {
      threads_.emplace_back([job] {
        try {
          job();
        } catch (...) {
        }
      });
    } catch (const std::system_error&) {
      // No thread to spare: the work is done later, where it is needed.
    }
  }
}

StartupWarmUp::~StartupWarmUp() {
  for (std::thread& t : threads_) t.join();
}

}  // namespace vantora
