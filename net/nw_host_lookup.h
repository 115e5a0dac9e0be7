#pragma once

#include <functional>
#include <optional>
#include <string>

#include "nw_time_limit.h"
#include "nw_wait_hook.h"

// A host-name lookup with an end. The system's lookup blocks for as long as
// its resolvers take, with no bound a caller can set; run on a worker
// thread, it can be waited for within a limit (calling the wait hook
// meanwhile) and left behind when the limit passes.
namespace vantora {

using TNwHostLookup = std::function<std::string(const std::string& host)>;

// Runs `lookup(host)` on a worker thread and waits at most `limit` for it.
// Returns its address, nullopt when the limit passed first, or raises what
// the lookup raised. A lookup left behind finishes on its own: the worker
// owns a copy of `lookup` and of everything it writes, and frees them when
// it ends, so whatever `lookup` captures must outlive it.
std::optional<std::string> LookupWithin(const TNwHostLookup& lookup, const std::string& host,
                                        TNwTimeLimit limit, TNwWaitPacer* pacer);

}  // namespace vantora
