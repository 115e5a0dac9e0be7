#pragma once

#include <string>

namespace vantora::testing {

// Moves the calling process into a network namespace of its own with only
// the loopback interface up, so a test can serve the station's fixed ports
// (80 and 21) without clashing with anything on the machine. Call it from
// main() before any thread starts; threads and child processes started later
// share the namespace. Returns an empty string on success, else the reason.
std::string EnterPrivateNetwork();

}  // namespace vantora::testing
