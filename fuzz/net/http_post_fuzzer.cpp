// A whole post against a server whose every answer byte comes from the fuzz
// input: head, 100 answers, verdicts, bodies in every framing, keep-alive.
#include <cstddef>
#include <cstdint>
#include <string>

#include "nw_exceptions.h"
#include "nw_http.h"
#include "nw_io_handler_scripted.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string script(reinterpret_cast<const char*>(data) + 1, size - 1);
  vantora::TNwIOHandlerScripted handler(script, piece);
  vantora::TNwHTTP http;
  http.SetIOHandler(&handler);
  for (int post = 0; post < 2; ++post) {
    vantora::TNwMemoryStream source;
    source.Write("body", 4);
    vantora::TNwMemoryStream answer;
    try {
      http.PostStream("http://fuzz.test/clientupload.jsp?fname=img", source, answer);
    } catch (const vantora::ENwException&) {
    }
    if (answer.DataString().size() > script.size()) __builtin_trap();
  }
  return 0;
}
