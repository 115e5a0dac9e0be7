#include "nw_wait_hook.h"

#include <poll.h>

#include <cerrno>

namespace vantora {

void TNwWaitPacer::Tick() {
  if (!hook_) return;
  if (called_ && std::chrono::steady_clock::now() < due_) return;
  called_ = true;
  hook_();
  // Counted from the hook's return: a slow repaint still leaves the wait a
  // whole interval of its own.
  due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kNwWaitHookInterval.Ms());
}

TNwTimeLimit TNwWaitPacer::Slice(TNwTimeLimit left) const {
  if (!hook_) return left;
  const auto until_due = std::chrono::ceil<std::chrono::milliseconds>(due_ - std::chrono::steady_clock::now());
  return TNwTimeLimit::Shorter(left, TNwTimeLimit::Milliseconds(until_due.count()));
}

int PollWaiting(pollfd* fds, unsigned long count, TNwTimeLimit limit, TNwWaitPacer* pacer) {
  const TNwDeadline deadline = TNwDeadline::After(limit);
  for (;;) {
    if (pacer) pacer->Tick();
    const TNwTimeLimit left = deadline.Remaining();
    const TNwTimeLimit slice = pacer ? pacer->Slice(left) : left;
    const int r = ::poll(fds, static_cast<nfds_t>(count), slice.PollMs());
    if (r < 0 && errno == EINTR) continue;
    if (r != 0) return r;
    if (slice == left) return 0;
  }
}

}  // namespace vantora
