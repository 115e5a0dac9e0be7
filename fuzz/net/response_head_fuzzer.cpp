// The server's answer head comes from the fuzz input: status line and header
// block are read and parsed as the HTTP client reads them, under the head
// budget of one exchange.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/net/fuzz_net_checks.h"
#include "net/nw_exceptions.h"
#include "net/nw_http_wire.h"
#include "net/nw_io_handler_scripted.h"

using vantora::fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first byte picks how many bytes each receive hands out, the second
  // the line check (off, or a short limit) and whether the peer holds on.
  const std::size_t piece = 1 + data[0] % 64;
  const std::string script(reinterpret_cast<const char*>(data) + 2, size - 2);
  vantora::TNwIOHandlerScripted handler(script, piece);
  handler.MarkOpen();
  if ((data[1] & 1) != 0) handler.HoldOpen();
  vantora::TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  connection.MaxLineLength = (data[1] & 2) != 0 ? 0 : 64;
  // A small budget, so that inputs of fuzzer size can reach it.
  constexpr std::size_t kBudget = 512;
  std::size_t budget = kBudget;
  vantora::TNwHTTPResponse response;
  bool complete = false;
  try {
    complete = vantora::ReadResponseHead(connection, response, budget);
  } catch (const vantora::ENwException&) {
  }
  Require(budget <= kBudget, "the budget only shrinks");
  std::size_t head = response.ResponseText.size() + 2;
  for (const std::string& line : response.RawHeaders.Lines()) head += line.size() + 2;
  Require(head <= kBudget, "the head kept fits the budget");
  // Whatever the line check says, the reader stops within one receive of it.
  Require(handler.Consumed() <= kBudget + piece, "no more taken in than the budget and one receive");
  if (complete) {
    Require(response.ResponseCode == vantora::ParseStatusCode(response.ResponseText), "status code of the line");
    Require(response.ContentLength >= -1, "content length is a length or none");
  }
  return 0;
}
