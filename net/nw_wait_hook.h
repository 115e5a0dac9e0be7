#pragma once

#include <functional>

#include "nw_time_limit.h"

// A caller's hook into the network layer's waits. The layer stays free of any
// windowing code, yet a caller that blocks its user interface thread on a
// transfer can let that thread repaint and answer the desktop between slices
// of every wait. A hook that throws ends the wait with its exception, which
// fails the operation like any other error.
namespace vantora {

using TNwWaitHook = std::function<void()>;

// How long a wait may go on before the hook is called again.
inline constexpr TNwTimeLimit kNwWaitHookInterval = TNwTimeLimit::Milliseconds(50);

}  // namespace vantora
