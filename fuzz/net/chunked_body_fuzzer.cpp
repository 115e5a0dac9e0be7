// A chunked answer body comes from the fuzz input, read as the HTTP client
// reads it, and compared with a plain reading of the framing rules: the body
// handed back is exactly what the chunks frame, no byte more.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/net/fuzz_net_checks.h"
#include "net/nw_exceptions.h"
#include "net/nw_http_wire.h"
#include "net/nw_io_handler_scripted.h"

using vantora::fuzzing::Require;

namespace {

constexpr std::size_t kMaxLine = 16384;

// The framing read straight off the bytes: size line, that many bytes, the
// line ending the chunk, ... a size of 0, then one more line, which a peer
// may leave out by closing. nullopt where the client must fail.
std::optional<std::string> Reference(const std::string& s) {
  std::size_t pos = 0;
  auto line = [&](std::string& out) {
    const std::size_t lf = s.find('\n', pos);
    if (lf == std::string::npos || lf - pos > kMaxLine) return false;
    out = s.substr(pos, lf - pos);
    if (!out.empty() && out.back() == '\r') out.pop_back();
    pos = lf + 1;
    return true;
  };
  std::string text;
  std::string body;
  if (!line(text)) return std::nullopt;
  std::int64_t size = vantora::ParseChunkSize(text);
  while (size > 0) {
    if (static_cast<std::int64_t>(s.size() - pos) < size) return std::nullopt;
    body.append(s, pos, static_cast<std::size_t>(size));
    pos += static_cast<std::size_t>(size);
    if (!line(text) || !line(text)) return std::nullopt;
    size = vantora::ParseChunkSize(text);
  }
  // The last line: missing is fine, endless is not.
  if (s.find('\n', pos) == std::string::npos && s.size() - pos > kMaxLine) return std::nullopt;
  if (s.find('\n', pos) != std::string::npos && s.find('\n', pos) - pos > kMaxLine) return std::nullopt;
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string script(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::optional<std::string> expected;
  try {
    expected = Reference(script);
  } catch (const vantora::ENwLimitExceeded&) {
    // A size beyond 64 bits: the client must fail as well.
  }
  vantora::TNwIOHandlerScripted handler(script, piece);
  handler.MarkOpen();
  vantora::TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  vantora::TNwMemoryStream body;
  bool ok = true;
  try {
    vantora::ReadChunkedBody(connection, body);
  } catch (const vantora::ENwException&) {
    ok = false;
  }
  Require(ok == expected.has_value(), "the body is read exactly when its framing is whole");
  if (ok) Require(body.DataString() == *expected, "the body is what the chunks frame");
  Require(body.DataString().size() <= script.size(), "nothing the peer did not send");
  return 0;
}
