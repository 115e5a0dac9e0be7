// The server's answer head comes from the fuzz input: status line and header
// block are read and parsed as the HTTP client reads them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "nw_exceptions.h"
#include "nw_http_wire.h"
#include "nw_io_handler_scripted.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks how many bytes each receive hands out.
  const std::size_t piece = 1 + data[0] % 64;
  vantora::TNwIOHandlerScripted handler(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), piece);
  handler.MarkOpen();
  vantora::TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  vantora::TNwHTTPResponse response;
  try {
    vantora::ReadResponseHead(connection, response);
  } catch (const vantora::ENwException&) {
  }
  return 0;
}
