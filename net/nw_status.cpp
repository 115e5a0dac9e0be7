#include "net/nw_status.h"

namespace vantora {

std::string StatusText(TNwStatus status, const std::string& argument) {
  switch (status) {
    case TNwStatus::hsResolving: return "Resolving hostname " + argument + ".";
    case TNwStatus::hsConnecting: return "Connecting to " + argument + ".";
    case TNwStatus::hsConnected: return "Connected.";
    case TNwStatus::hsDisconnecting: return "Disconnecting.";
    case TNwStatus::hsDisconnected: return "Disconnected.";
    default: return argument;
  }
}

}  // namespace vantora
