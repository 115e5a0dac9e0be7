#include "net/nw_http_wire.h"

#include "net/nw_cookies.h"
#include "net/nw_exceptions.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

[[noreturn]] void RaiseHeadTooLarge() {
  throw ENwLimitExceeded("The answer's header block exceeds " + std::to_string(kNwMaxHeaderBlockBytes) +
                         " bytes.");
}

// One line of the answer head, taken from what is left of the head budget.
// The reader gets that remainder as its limit, so a line without LF cannot
// grow the input buffer past it, whatever MaxLineLength says.
std::string ReadHeadLine(TNwTCPConnection& connection, std::size_t& budget) {
  TNwLineLimit limit = connection.LineLimit();
  // A line costs its bytes and a CR LF; a CR still in the reader's count
  // needs the one byte kept back here.
  const std::size_t budget_limit = budget > 0 ? budget - 1 : 0;
  const bool budget_binds = budget_limit < limit.MaxLength;
  if (budget_binds) limit = TNwLineLimit{budget_limit, TNwMaxLineAction::maException};
  std::string line;
  try {
    line = connection.ReadLn(limit);
  } catch (const ENwReadLnMaxLineLengthExceeded&) {
    if (budget_binds) RaiseHeadTooLarge();
    throw;
  }
  // An empty line from a time-out would end the header block early and let
  // the rest of the head pass for body: report the time-out instead.
  if (connection.ReadLnTimedOut()) throw ENwReadTimeout("Read Timeout");
  const std::size_t used = line.size() + 2;
  if (used > budget) RaiseHeadTooLarge();
  budget -= used;
  return line;
}

std::int64_t ContentLengthValue(const std::string& text) {
  if (text.empty()) return -1;
  bool overflow = false;
  const auto value = ParseDecimal(Trim(text), &overflow);
  if (overflow) throw ENwLimitExceeded("The answer's Content-Length is too large: " + Trim(text));
  // A negative length frames nothing: it counts as no length at all.
  return value && *value >= 0 ? *value : -1;
}

void ParseContentRange(const std::string& text, std::int64_t& start, std::int64_t& end) {
  start = end = 0;
  std::string rest = Trim(text);
  if (SameText(rest.substr(0, 6), "bytes ")) rest = Trim(rest.substr(6));
  const std::size_t dash = rest.find('-');
  if (dash == std::string::npos) return;
  const std::size_t slash = rest.find('/', dash);
  start = ParseDecimal(rest.substr(0, dash)).value_or(0);
  end = ParseDecimal(rest.substr(dash + 1, slash == std::string::npos ? std::string::npos : slash - dash - 1))
            .value_or(0);
}

}  // namespace

int ParseStatusCode(const std::string& status_line) {
  const std::size_t space = status_line.find(' ');
  if (space == std::string::npos) return -1;
  const std::string rest = Trim(status_line.substr(space + 1));
  const auto code = ParseDecimal(rest.substr(0, rest.find(' ')));
  if (!code || *code < -2147483647LL || *code > 2147483647LL) return -1;
  return static_cast<int>(*code);
}

bool ReadResponseHead(TNwTCPConnection& connection, TNwHTTPResponse& response) {
  std::size_t budget = kNwMaxHeaderBlockBytes;
  return ReadResponseHead(connection, response, budget);
}

bool ReadResponseHead(TNwTCPConnection& connection, TNwHTTPResponse& response, std::size_t& head_budget) {
  // Nothing of an earlier answer may survive into this one: a head that
  // fails half-way must not leave, say, the last answer's keep-alive behind.
  TNwStream* const content = response.ContentStream;
  response = TNwHTTPResponse();
  response.ContentStream = content;
  response.ResponseText = ReadHeadLine(connection, head_budget);
  bool complete = true;
  try {
    for (;;) {
      std::string line = ReadHeadLine(connection, head_budget);
      if (line.empty()) break;
      response.RawHeaders.Add(std::move(line));
    }
  } catch (const ENwConnClosedGracefully&) {
    connection.CheckForDisconnect(false);
    complete = false;
  }
  ParseResponseHeaders(response);
  response.ResponseCode = ParseStatusCode(response.ResponseText);
  return complete;
}

void ParseResponseHeaders(TNwHTTPResponse& r) {
  const TNwHeaderList& h = r.RawHeaders;
  r.Location = h.Values("Location");
  r.Server = h.Values("Server");
  r.ProxyConnection = h.Values("Proxy-Connection");
  ParseContentRange(h.Values("Content-Range"), r.ContentRangeStart, r.ContentRangeEnd);
  r.WWWAuthenticate = h.AllValues("WWW-Authenticate");
  r.ProxyAuthenticate = h.AllValues("Proxy-Authenticate");
  r.Connection = h.Values("Connection");
  r.ContentVersion = h.Values("Content-Version");
  r.ContentEncoding = h.Values("Content-Encoding");
  r.ContentLanguage = h.Values("Content-Language");
  r.ContentType = h.Values("Content-Type");
  r.TransferEncoding = h.Values("Transfer-Encoding");
  r.Date = ParseCookieDate(h.Values("Date"));
  r.LastModified = ParseCookieDate(h.Values("Last-Modified"));
  r.Expires = ParseCookieDate(h.Values("Expires"));
  r.Pragma = h.Values("Pragma");
  r.ContentLength = ContentLengthValue(h.Values("Content-Length"));
}

std::int64_t ParseChunkSize(const std::string& line) {
  const std::string word = Trim(line.substr(0, line.find_first_of(" ;\t")));
  bool overflow = false;
  const auto size = ParseHex(word, &overflow);
  if (overflow) throw ENwLimitExceeded("Chunk size too large: " + word.substr(0, 32));
  return size.value_or(0);
}

void ReadChunkedBody(TNwTCPConnection& connection, TNwStream& stream) {
  auto read_line = [&] {
    std::string line = connection.ReadLn();
    if (connection.ReadLnTimedOut()) throw ENwReadTimeout("Read Timeout");
    return line;
  };
  std::int64_t size = ParseChunkSize(read_line());
  while (size > 0) {
    connection.ReadStream(stream, size, false);
    read_line();
    size = ParseChunkSize(read_line());
  }
  try {
    read_line();
  } catch (const ENwConnClosedGracefully&) {
    // Every chunk has arrived; a server that closes instead of sending the
    // final empty line has still delivered the whole body.
  }
}

void ReadResponseBody(TNwTCPConnection& connection, const TNwHTTPResponse& response, TNwStream& stream) {
  if (response.ContentLength > 0) {
    try {
      connection.ReadStream(stream, response.ContentLength, false);
    } catch (const ENwConnClosedGracefully&) {
      // The server gave up before the announced end: keep what came.
    }
  } else if (ContainsText(response.TransferEncoding, "chunked")) {
    ReadChunkedBody(connection, stream);
  } else if (!response.HasContentLength()) {
    connection.ReadStream(stream, -1, true);
  }
}

const char* MethodWord(TNwHTTPMethod method) {
  switch (method) {
    case TNwHTTPMethod::hmHead: return "HEAD";
    case TNwHTTPMethod::hmGet: return "GET";
    case TNwHTTPMethod::hmPost: return "POST";
    case TNwHTTPMethod::hmOptions: return "OPTIONS";
    case TNwHTTPMethod::hmTrace: return "TRACE";
    case TNwHTTPMethod::hmPut: return "PUT";
    case TNwHTTPMethod::hmDelete: return "DELETE";
    case TNwHTTPMethod::hmConnect: return "CONNECT";
  }
  return "GET";
}

std::string TNwBasicAuthentication::Authentication() const {
  return "Basic " + Base64Encode(Username + ":" + Password);
}

std::string BuildRequestHead(TNwHTTPRequest& request, const std::string& request_uri,
                             TNwHTTPProtocolVersion version, const std::string& cookie,
                             const TNwAuthentication* proxy_authentication) {
  TNwHeaderList& raw = request.RawHeaders;
  raw.Clear();
  auto set = [&](const char* name, const std::string& value) {
    if (!value.empty()) raw.SetValue(name, value);
  };
  auto set_date = [&](const char* name, std::time_t value) {
    if (value != 0) raw.SetValue(name, InternetDate(value));
  };
  set("Connection", request.Connection);
  set("Content-Version", request.ContentVersion);
  set("Content-Encoding", request.ContentEncoding);
  set("Content-Language", request.ContentLanguage);
  set("Content-Type", request.ContentType);
  if (request.ContentLength >= 0) raw.SetValue("Content-Length", std::to_string(request.ContentLength));
  set("Cache-control", request.CacheControl);
  set_date("Date", request.Date);
  set_date("Expires", request.Expires);
  set("Pragma", request.Pragma);
  for (const std::string& line : request.CustomHeaders.Lines()) raw.Add(line);

  set("Proxy-Connection", request.ProxyConnection);
  set("Host", request.Host);
  set("Accept", request.Accept);
  set("Accept-Charset", request.AcceptCharSet);
  set("Accept-Encoding", request.AcceptEncoding);
  set("Accept-Language", request.AcceptLanguage);
  set("From", request.From);
  set("Referer", request.Referer);
  set("User-Agent", request.UserAgent);
  set_date("If-Modified-Since", request.LastModified);
  if (request.ContentRangeStart != 0 || request.ContentRangeEnd != 0) {
    std::string range = "bytes=" + std::to_string(request.ContentRangeStart) + "-";
    if (request.ContentRangeEnd != 0) range += std::to_string(request.ContentRangeEnd);
    raw.SetValue("Range", range);
  }
  if (request.Authentication) {
    set("Authorization", request.Authentication->Authentication());
  } else if (request.BasicAuthentication) {
    TNwBasicAuthentication basic;
    basic.Username = request.Username;
    basic.Password = request.Password;
    set("Authorization", basic.Authentication());
  }
  if (proxy_authentication) set("Proxy-Authorization", proxy_authentication->Authentication());
  set("Cookie", cookie);

  const std::string request_line = std::string(MethodWord(request.Method)) + " " + request_uri + " HTTP/" +
                                   (version == TNwHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1");
  RefuseLineBreaks(request_line, "the request line");
  std::string head = request_line + "\r\n";
  for (const std::string& line : raw.Lines()) {
    RefuseLineBreaks(line, "a request header");
    head += line + "\r\n";
  }
  head += "\r\n";
  return head;
}

}  // namespace vantora
