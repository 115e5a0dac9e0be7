// A chunked answer body comes from the fuzz input, read as the HTTP client
// reads it, into a memory stream with the client's limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "nw_exceptions.h"
#include "nw_http_wire.h"
#include "nw_io_handler_scripted.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string script(reinterpret_cast<const char*>(data) + 1, size - 1);
  vantora::TNwIOHandlerScripted handler(script, piece);
  handler.MarkOpen();
  vantora::TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  vantora::TNwMemoryStream body;
  try {
    vantora::ReadChunkedBody(connection, body);
  } catch (const vantora::ENwException&) {
  }
  // Nothing the peer did not send can end up in the body.
  if (body.DataString().size() > script.size()) __builtin_trap();
  return 0;
}
