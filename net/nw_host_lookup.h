#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/nw_time_limit.h"

// A host-name lookup with an end. The system's lookup blocks for as long as
// its resolvers take, with no bound a caller can set; run on a worker
// thread, it can be waited for in slices and left behind when the caller's
// limit passes.
namespace vantora {

using TNwHostLookup = std::function<std::string(const std::string& host)>;

// Runs `lookup(host)` on a worker thread. A lookup left behind (the object
// destroyed first) finishes on its own: the worker owns a copy of `lookup`
// and of everything it writes, and frees them when it ends, so whatever
// `lookup` captures must outlive it.
class TNwPendingLookup {
 public:
  TNwPendingLookup(const TNwHostLookup& lookup, const std::string& host);
  // Waits at most `wait`: the address, nullopt while the lookup goes on, or
  // raises what the lookup raised.
  std::optional<std::string> Wait(TNwTimeLimit wait);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vantora
