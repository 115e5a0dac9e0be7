#pragma once

#include <cstdint>
#include <string>

#include "net/nw_http_types.h"
#include "net/nw_tcp_connection.h"

// The HTTP text on the wire: the request head the client writes, and the
// readers for status line, header block and body. They work on any
// connection, whatever handler carries its bytes.
namespace vantora {

// The status code of a status line: the word after the first space as a
// decimal number; -1 when it is not one.
int ParseStatusCode(const std::string& status_line);

// Reads the status line and header lines up to the empty line into a fresh
// `response` (only its content stream is kept) and parses the known values.
// Returns false when the peer closed before the empty line (what was read
// counts as the whole header block; this side's socket is then closed).
// Raises ENwReadTimeout when a line does not come in time and
// ENwLimitExceeded when the head takes more than `head_budget` bytes; what
// this head took is subtracted from it, so the interim heads of one
// exchange share one budget.
bool ReadResponseHead(TNwTCPConnection& connection, TNwHTTPResponse& response, std::size_t& head_budget);
// The same with a budget of kNwMaxHeaderBlockBytes for this head alone.
bool ReadResponseHead(TNwTCPConnection& connection, TNwHTTPResponse& response);

// Fills the parsed values of `response` from its raw header lines.
void ParseResponseHeaders(TNwHTTPResponse& response);

// A chunk-size line: hexadecimal up to the first space or ";", 0 when not a
// number. Raises ENwLimitExceeded for a size beyond 64 bits.
std::int64_t ParseChunkSize(const std::string& line);

// Reads a chunked body into `stream`.
void ReadChunkedBody(TNwTCPConnection& connection, TNwStream& stream);

// Reads the answer's body into `stream` by the answer's framing: a
// Content-Length above 0 (a close before its end is not an error), chunked,
// or until the peer closes.
void ReadResponseBody(TNwTCPConnection& connection, const TNwHTTPResponse& response, TNwStream& stream);

// Fills request.RawHeaders from the request's values and returns the whole
// head: request line, header lines, empty line. A CR or LF inside any value
// raises ENwLineBreakNotAllowed; nothing has been sent at that point.
std::string BuildRequestHead(TNwHTTPRequest& request, const std::string& request_uri,
                             TNwHTTPProtocolVersion version, const std::string& cookie,
                             const TNwAuthentication* proxy_authentication);

}  // namespace vantora
