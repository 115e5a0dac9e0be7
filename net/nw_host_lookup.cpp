#include "net/nw_host_lookup.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "net/nw_exceptions.h"
#include "net/nw_socket.h"
#include "net/nw_socket_errors.h"

namespace vantora {

// Shared by the caller and the worker; whichever lets go last frees it and
// closes the descriptor the worker signals on.
struct TNwPendingLookup::State {
  explicit State(int fd) : done_fd(fd) {}
  ~State() { ::close(done_fd); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  const int done_fd;
  std::mutex mutex;
  bool done = false;
  std::string ip;
  std::exception_ptr error;
};

TNwPendingLookup::TNwPendingLookup(const TNwHostLookup& lookup, const std::string& host) {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  state_ = std::make_shared<State>(fd);
  try {
    std::thread([state = state_, lookup, host] {
      std::string ip;
      std::exception_ptr error;
      try {
        ip = lookup(host);
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->ip = std::move(ip);
        state->error = error;
        state->done = true;
      }
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(state->done_fd, &one, sizeof one);
    }).detach();
  } catch (const std::system_error&) {
    throw ENwException("The host name lookup could not be started.");
  }
}

std::optional<std::string> TNwPendingLookup::Wait(TNwTimeLimit wait) {
  pollfd p{state_->done_fd, POLLIN, 0};
  if (PollWithin(&p, 1, wait) < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->done) return std::nullopt;
  if (state_->error) std::rethrow_exception(state_->error);
  return state_->ip;
}

}  // namespace vantora
