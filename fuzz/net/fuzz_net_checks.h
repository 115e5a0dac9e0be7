#pragma once

#include <cstdio>
#include <cstdlib>

// What every network fuzz target shares: it must run under AddressSanitizer
// and UndefinedBehaviorSanitizer (a memory error that goes unseen is the very
// thing fuzzing is for), and a broken invariant stops the run with its name.
#if !defined(__has_feature)
#error "the network fuzz targets need clang"
#elif !__has_feature(address_sanitizer) || !__has_feature(undefined_behavior_sanitizer)
#error "the network fuzz targets need -fsanitize=address,undefined (configure with -DVANTORA_SANITIZE=ON)"
#endif

namespace vantora::fuzzing {

// Stops the run, naming the invariant, so the input is kept as a crash.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

}  // namespace vantora::fuzzing
