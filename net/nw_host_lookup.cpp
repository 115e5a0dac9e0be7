#include "nw_host_lookup.h"

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

#include "nw_exceptions.h"
#include "nw_socket_errors.h"

namespace vantora {

namespace {

// Shared by the caller and the worker; whichever lets go last frees it and
// closes the descriptor the worker signals on.
struct LookupState {
  explicit LookupState(int fd) : done_fd(fd) {}
  ~LookupState() { ::close(done_fd); }
  LookupState(const LookupState&) = delete;
  LookupState& operator=(const LookupState&) = delete;

  const int done_fd;
  std::mutex mutex;
  bool done = false;
  std::string ip;
  std::exception_ptr error;
};

}  // namespace

std::optional<std::string> LookupWithin(const TNwHostLookup& lookup, const std::string& host,
                                        TNwTimeLimit limit, TNwWaitPacer* pacer) {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  auto state = std::make_shared<LookupState>(fd);
  try {
    std::thread([state, lookup, host] {
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
  pollfd p{state->done_fd, POLLIN, 0};
  const int r = PollWaiting(&p, 1, limit, pacer);
  if (r < 0) RaiseSocketError(WinsockCodeFromErrno(errno));
  std::lock_guard<std::mutex> lock(state->mutex);
  if (!state->done) return std::nullopt;
  if (state->error) std::rethrow_exception(state->error);
  return state->ip;
}

}  // namespace vantora
