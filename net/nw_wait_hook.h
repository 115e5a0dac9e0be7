#pragma once

#include <chrono>
#include <functional>

#include "nw_time_limit.h"

struct pollfd;

// A caller's hook into the network layer's waits. The layer stays free of any
// windowing code, yet a caller that blocks its user interface thread on a
// transfer can let that thread repaint and answer the desktop between slices
// of every wait. A hook that throws ends the wait with its exception, which
// fails the operation like any other error.
namespace vantora {

using TNwWaitHook = std::function<void()>;

// How long a wait may go on before the hook is called again.
inline constexpr TNwTimeLimit kNwWaitHookInterval = TNwTimeLimit::Milliseconds(50);

// Keeps one connection's hook calls at most kNwWaitHookInterval of waiting
// apart. The time is counted across waits, so a peer that answers every
// wait just before the interval ends still lets the hook run. It refers to
// the hook, so a hook set or changed later is the one called.
class TNwWaitPacer {
 public:
  explicit TNwWaitPacer(const TNwWaitHook& hook) : hook_(hook) {}
  TNwWaitPacer(const TNwWaitPacer&) = delete;
  TNwWaitPacer& operator=(const TNwWaitPacer&) = delete;

  // True when there is a hook to call.
  bool Active() const { return static_cast<bool>(hook_); }
  // Calls the hook when it is due: at the first wait, then once the
  // interval has passed since the hook last returned.
  void Tick();
  // What of `left` one blocking call may take before the hook is due.
  TNwTimeLimit Slice(TNwTimeLimit left) const;

 private:
  const TNwWaitHook& hook_;
  bool called_ = false;
  std::chrono::steady_clock::time_point due_{};
};

// poll() for at most `limit`, in slices that let `pacer` (may be null) call
// its hook. Signals never end the wait early. Returns as poll() does: the
// ready count, 0 when the limit passed, -1 with errno on failure.
int PollWaiting(pollfd* fds, unsigned long count, TNwTimeLimit limit, TNwWaitPacer* pacer);

}  // namespace vantora
