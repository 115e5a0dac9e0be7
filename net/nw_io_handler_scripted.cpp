#include "net/nw_io_handler_scripted.h"

#include <algorithm>
#include <cstring>

#include "net/nw_socket_errors.h"

namespace vantora {

long TNwIOHandlerScripted::Recv(char* buffer, unsigned long length, int& error) {
  if (!open_) {
    error = kWsaENotSocket;
    return -1;
  }
  const std::size_t n = std::min({static_cast<std::size_t>(length), piece_, script_.size() - offset_});
  std::memcpy(buffer, script_.data() + offset_, n);
  offset_ += n;
  return static_cast<long>(n);
}

long TNwIOHandlerScripted::Send(const char* buffer, unsigned long length, int& error) {
  if (!open_) {
    error = kWsaENotSocket;
    return -1;
  }
  const std::size_t room = sent_.size() >= intake_ ? 0 : intake_ - sent_.size();
  const std::size_t n = std::min(static_cast<std::size_t>(length), room);
  if (n == 0) {
    error = kWsaEWouldBlock;
    return -1;
  }
  sent_.append(buffer, n);
  send_sizes_.push_back(n);
  return static_cast<long>(n);
}

}  // namespace vantora
