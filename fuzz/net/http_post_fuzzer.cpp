// A whole post against a server whose every answer byte comes from the fuzz
// input: head, 100 answers, verdicts, bodies in every framing, keep-alive.
// Checked: a body never exceeds its framing, the head never its budget, a
// failed post leaves no connection open, and the client posts again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/net/fuzz_net_checks.h"
#include "net/nw_exceptions.h"
#include "net/nw_http.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_text.h"

using vantora::fuzzing::Require;

namespace {

const char kUrl[] = "http://fuzz.test/clientupload.jsp?fname=img";

void CheckAnswer(vantora::TNwHTTP& http, const std::string& body, bool ok) {
  const vantora::TNwHTTPResponse& r = http.Response();
  std::size_t head = r.ResponseText.size() + 2;
  for (const std::string& line : r.RawHeaders.Lines()) head += line.size() + 2;
  Require(head <= vantora::kNwMaxHeaderBlockBytes, "the head kept fits the budget");
  if (!ok) {
    Require(!http.Connected(), "a failed post leaves no connection open");
    return;
  }
  Require(r.ResponseCode / 100 == 2, "only a 2xx answer succeeds");
  if (r.ContentLength > 0) {
    Require(static_cast<std::int64_t>(body.size()) <= r.ContentLength, "the body fits its Content-Length");
  } else if (r.HasContentLength() && !vantora::ContainsText(r.TransferEncoding, "chunked")) {
    Require(body.empty(), "a length of 0 means no body");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string script(reinterpret_cast<const char*>(data) + 2, size - 2);
  vantora::TNwIOHandlerScripted handler(script, piece);
  // The second byte: the peer holds the connection open (bit 0), the line
  // check is off (bit 2), and now and then the peer stops reading early.
  if ((data[1] & 1) != 0) handler.HoldOpen();
  if ((data[1] & 0x1a) == 0x1a) handler.LimitIntake(100 + 40 * (data[1] >> 5));
  vantora::TNwHTTP http;
  http.MaxLineLength = (data[1] & 4) != 0 ? 0 : vantora::kNwDefaultMaxLineLength;
  http.SetIOHandler(&handler);
  for (int post = 0; post < 2; ++post) {
    vantora::TNwMemoryStream source;
    source.Write("body", 4);
    vantora::TNwMemoryStream answer;
    bool ok = true;
    try {
      http.PostStream(kUrl, source, answer);
    } catch (const vantora::ENwException&) {
      ok = false;
    }
    Require(answer.DataString().size() <= script.size(), "nothing the peer did not send");
    CheckAnswer(http, answer.DataString(), ok);
  }
  // Whatever the server did, the next post on a sound one goes through.
  vantora::TNwIOHandlerScripted sound("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
  sound.HoldOpen();
  http.SetIOHandler(&sound);
  vantora::TNwMemoryStream source;
  source.Write("body", 4);
  std::string text;
  try {
    text = http.Post(kUrl, source);
  } catch (const vantora::ENwException&) {
    Require(false, "the client posts again after any answer");
  }
  Require(text == "ok", "the next answer is read whole");
  return 0;
}
