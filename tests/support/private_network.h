#pragma once

#include <string>

namespace vantora::testing {

// Moves the calling process into a network namespace of its own with only
// the loopback interface up, so a test can serve the station's fixed ports
// (80 and 21) without clashing with anything on the machine. Call it from
// main() before any thread starts; threads and child processes started later
// share the namespace. Returns an empty string on success, else the reason.
std::string EnterPrivateNetwork();

// Inside that namespace: gives the process a mount namespace of its own in
// which /etc/resolv.conf names one name server, on 127.0.0.1, that takes
// every query and never answers (the resolver's own time-out: 3 s, one
// try). The machine's resolver settings stay as they are. Call it after
// EnterPrivateNetwork and before any thread starts. Returns an empty string
// on success, else the reason.
std::string UseSilentNameServer();

}  // namespace vantora::testing
