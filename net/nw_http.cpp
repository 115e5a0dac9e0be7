#include "net/nw_http.h"

#include "net/nw_exceptions.h"
#include "net/nw_http_wire.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

// Swallows a body that is read only to be thrown away, up to a byte limit.
class DiscardSink : public TNwNullStream {
 public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (Size() + count > kNwMaxDiscardBodyBytes) {
      throw ENwLimitExceeded("A discarded body exceeds " + std::to_string(kNwMaxDiscardBodyBytes) + " bytes.");
    }
    return TNwNullStream::Write(buffer, count);
  }
};

bool NeedsVersion11(TNwHTTPMethod method) {
  return method == TNwHTTPMethod::hmOptions || method == TNwHTTPMethod::hmTrace ||
         method == TNwHTTPMethod::hmPut || method == TNwHTTPMethod::hmDelete;
}

bool SendsBody(TNwHTTPMethod method) {
  return method == TNwHTTPMethod::hmPost || method == TNwHTTPMethod::hmPut;
}

int PortNumber(const std::string& text) {
  const auto port = ParseDecimal(text);
  if (!port || *port < 1 || *port > 65535) throw ENwURIException("Invalid port: " + text);
  return static_cast<int>(*port);
}

}  // namespace

TNwHTTP::TNwHTTP() { Port = 80; }

std::string TNwHTTP::PostMultipart(const std::string& url, TNwMultiPartFormDataStream& body) {
  request_.ContentType = body.MultipartContentType();
  return Post(url, body);
}

std::string TNwHTTP::Post(const std::string& url, TNwStream& source) {
  TNwMemoryStream text(kNwMaxTextResponseBytes);
  PostStream(url, source, text);
  return text.DataString();
}

void TNwHTTP::PostStream(const std::string& url, TNwStream& source, TNwStream& response) {
  // Every post starts on a new connection.
  if (Connected()) Disconnect();
  const TNwHTTPProtocolVersion saved = ProtocolVersion;
  if ((HTTPOptions & hoKeepOrigProtocol) == 0) ProtocolVersion = TNwHTTPProtocolVersion::pv1_0;
  try {
    PerformRequest(TNwHTTPMethod::hmPost, url, &source, &response);
  } catch (...) {
    ProtocolVersion = saved;
    throw;
  }
  ProtocolVersion = saved;
}

void TNwHTTP::PerformRequest(TNwHTTPMethod method, const std::string& url, TNwStream* source,
                             TNwStream* response) {
  const std::int64_t start = response ? response->Position() : 0;
  auto rewind_response = [&] {
    if (!response) return;
    response->SetPosition(start);
    response->SetSize(start);
  };
  if (ProxyParams.ProxyServer.empty() == false) {
    throw ENwException("Proxy servers are not supported.");
  }
  // The redirect count belongs to one request; one left over by a failed
  // request would cut the redirects of the next one short.
  redirect_count_ = 0;
  auth_retries_ = 0;
  proxy_auth_retries_ = 0;
  request_.URL = url;
  request_.Method = method;
  request_.Source = source;
  response_.ContentStream = response;
  // Once request bytes have gone out, an error leaves the connection in an
  // unknown place (half a head read, a body unread): it is closed then,
  // whatever the last answer said about keeping it.
  bool sent = false;
  try {
    bool finished = false;
    while (!finished) {
      ++redirect_count_;
      // A configured time limit bounds the whole exchange: connecting,
      // sending, and every byte of the answer.
      TNwExchangeDeadline exchange(*this, ReadTimeout);
      const std::string head = PrepareRequest();
      ConnectForRequest();
      sent = true;
      SendRequest(head);
      std::size_t head_budget = kNwMaxHeaderBlockBytes;
      RetrieveHeaders(head_budget);
      for (int interim = 0; response_.ResponseCode == 100; ++interim) {
        if (interim == kNwMaxInterimAnswers) {
          throw ENwLimitExceeded("More than " + std::to_string(kNwMaxInterimAnswers) + " interim answers.");
        }
        RetrieveHeaders(head_budget);
      }
      switch (ProcessResponse()) {
        case Verdict::retarget:
          rewind_response();
          auth_retries_ = proxy_auth_retries_ = 0;
          break;
        case Verdict::done:
          finished = true;
          break;
        case Verdict::undefined:
          throw ENwException("Undefined situation");
        case Verdict::readAndRepeat:
          ReadResult(response);
          rewind_response();
          auth_retries_ = proxy_auth_retries_ = 0;
          break;
        case Verdict::authorize:
          --redirect_count_;
          request_.URL = url;
          break;
      }
    }
  } catch (...) {
    if (sent || !KeepAlive()) Disconnect();
    throw;
  }
  if (!KeepAlive()) Disconnect();
  redirect_count_ = 0;
}

std::string TNwHTTP::PrepareRequest() {
  const TNwURI address(request_.URL);
  if (!address.Username.empty()) {
    request_.Username = address.Username;
    request_.Password = address.Password;
  }
  url_.Username = request_.Username;
  url_.Password = request_.Password;
  if (!address.Path.empty() && address.Path[0] == '/') {
    url_.Path = address.Path;
  } else {
    url_.Path = NormalizeURIPath((url_.Path.empty() ? std::string("/") : url_.Path) + address.Path);
  }
  url_.Document = address.Document;
  url_.Params = address.Params;
  url_.Bookmark = address.Bookmark;
  if (!address.Host.empty()) url_.Host = address.Host;
  url_.Protocol = address.Protocol.empty() ? "http" : address.Protocol;
  if (!address.Port.empty()) {
    url_.Port = address.Port;
  } else {
    // A port named by an earlier address stays until another is named.
    const std::int64_t current = ParseDecimal(url_.Port).value_or(0);
    if (current == 0 || current == 80 || current == 443) {
      if (SameText(url_.Protocol, "http")) url_.Port = "80";
      else if (SameText(url_.Protocol, "https")) url_.Port = "443";
      else throw ENwUnknownProtocol("");
    }
  }
  if (request_.Method == TNwHTTPMethod::hmOptions && url_.Document == "*") {
    request_uri_ = "*";
  } else {
    request_uri_ = url_.Path + url_.Document + url_.Params;
  }
  if (NeedsVersion11(request_.Method) && ProtocolVersion != TNwHTTPProtocolVersion::pv1_1) {
    throw ENwException("This request method is supported in HTTP 1.1");
  }
  request_.ContentLength = SendsBody(request_.Method) && request_.Source ? request_.Source->Size() : -1;
  request_.Host = url_.Host + (url_.Port != "80" ? ":" + url_.Port : "");

  SelectTarget();
  if (ProtocolVersion == TNwHTTPProtocolVersion::pv1_0 && request_.Connection.empty()) {
    request_.Connection = "keep-alive";
  }
  // The whole head is built, and checked, before anything is sent.
  return BuildRequestHead(request_, request_uri_, ProtocolVersion, RequestCookie(), proxy_authentication_.get());
}

void TNwHTTP::SelectTarget() {
  const int port = PortNumber(url_.Port);
  if (!SameText(Host, url_.Host) || Port != port) {
    if (Connected()) Disconnect();
    Host = url_.Host;
    Port = port;
  }
  if (SameText(url_.Protocol, "HTTPS")) throw ENwIOHandlerPropInvalid("IOHandler value is not valid");
}

std::string TNwHTTP::RequestCookie() {
  if (!cookie_manager_) return {};
  return cookie_manager_->CookieHeader(url_.Host, url_.Path + url_.Document);
}

void TNwHTTP::ConnectForRequest() {
  if (!KeepAlive()) Disconnect();
  // A close the server made since the last answer is noticed here, so the
  // request goes out on a fresh connection instead of a dead one.
  if (Connected()) ReadFromStack(TNwClosedAction::caReturnZero, kNwCloseProbeTimeLimit, TNwTimeoutAction::taReturnMinusOne);
  if (!Connected()) Connect(TNwTimeLimit::Shorter(ReadTimeout, ConnectTimeout));
}

void TNwHTTP::SendRequest(const std::string& head) {
  OpenWriteBuffer();
  try {
    Write(head);
    CloseWriteBuffer();
  } catch (...) {
    CancelWriteBuffer();
    throw;
  }
  if (SendsBody(request_.Method) && request_.Source) WriteStream(*request_.Source, TNwStreamFrom::sfStart);
}

void TNwHTTP::RetrieveHeaders(std::size_t& head_budget) {
  ReadResponseHead(*this, response_, head_budget);
  if (!cookie_manager_ && AllowCookies) cookie_manager_ = std::make_unique<TNwCookieManager>();
  if (cookie_manager_) {
    for (const std::string& value : response_.RawHeaders.AllValues("Set-cookie")) {
      cookie_manager_->AddServerCookie(value, url_.Host);
    }
    for (const std::string& value : response_.RawHeaders.AllValues("Set-cookie2")) {
      cookie_manager_->AddServerCookie(value, url_.Host);
    }
  }
}

bool TNwHTTP::KeepAlive() {
  const std::string version = response_.ResponseText.size() >= 8 ? response_.ResponseText.substr(5, 3) : "";
  if (version == "1.0") response_.ResponseVersion = TNwHTTPProtocolVersion::pv1_0;
  else if (version == "1.1") response_.ResponseVersion = TNwHTTPProtocolVersion::pv1_1;
  if (!Connected()) return false;
  const std::string connection = Trim(response_.Connection);
  const std::string proxy_connection = Trim(response_.ProxyConnection);
  if (ProtocolVersion == TNwHTTPProtocolVersion::pv1_0) {
    return SameText(connection, "KEEP-ALIVE") || SameText(proxy_connection, "KEEP-ALIVE");
  }
  return !(SameText(connection, "CLOSE") || SameText(proxy_connection, "CLOSE"));
}

bool TNwHTTP::AskRedirect(std::string& location, TNwHTTPMethod& method) {
  if (OnRedirect) return OnRedirect(location, method, redirect_count_);
  return HandleRedirects;
}

TNwHTTP::Verdict TNwHTTP::ProcessResponse() {
  const int code = response_.ResponseCode;
  const int kind = code / 100;
  Verdict verdict = Verdict::undefined;

  if ((kind == 3 && code != 304) || !response_.Location.empty()) {
    std::string location = response_.Location;
    TNwHTTPMethod method = request_.Method;
    if (HandleRedirects && redirect_count_ < RedirectMaximum) {
      if (!AskRedirect(location, method)) RaiseProtocolError();
      request_.URL = location;
      request_.Method = method;
      verdict = Verdict::retarget;
    } else {
      if (!AskRedirect(location, method)) RaiseProtocolError();
      verdict = Verdict::done;
    }
    if (Connected()) DiscardBody();
    return verdict;
  }

  bool repeat_at_once = false;
  if (kind != 2) {
    verdict = Verdict::retarget;
    if (code == 401 || code == 407) {
      const bool proxy = code == 407;
      int& tries = proxy ? proxy_auth_retries_ : auth_retries_;
      if (tries >= AuthRetries || !Authorize(proxy)) {
        if (proxy) proxy_authentication_.reset();
        else request_.Authentication.reset();
        RaiseProtocolError();
      }
      repeat_at_once = (HTTPOptions & hoInProcessAuth) != 0;
    } else {
      RaiseProtocolError();
    }
  }
  if (Connected()) {
    if (repeat_at_once) {
      DiscardBody();
      verdict = Verdict::authorize;
    } else if (kind != 2) {
      // Credentials were accepted: the body of the refusal is read, then
      // the request goes again with them.
      verdict = Verdict::readAndRepeat;
    } else {
      if (code != 204) ReadResult(response_.ContentStream);
      verdict = Verdict::done;
    }
  }
  return verdict;
}

bool TNwHTTP::Authorize(bool proxy) {
  int& tries = proxy ? proxy_auth_retries_ : auth_retries_;
  ++tries;
  std::unique_ptr<TNwAuthentication>& auth = proxy ? proxy_authentication_ : request_.Authentication;
  const auto& offered = proxy ? response_.ProxyAuthenticate : response_.WWWAuthenticate;
  if (!auth) {
    for (const std::string& scheme : offered) {
      const std::string word = Trim(scheme).substr(0, Trim(scheme).find(' '));
      if (SameText(word, "Basic")) {
        auth = std::make_unique<TNwBasicAuthentication>();
        auth->Username = proxy ? ProxyParams.ProxyUsername : request_.Username;
        auth->Password = proxy ? ProxyParams.ProxyPassword : request_.Password;
        break;
      }
    }
  }
  if (!auth) return false;
  const auto& handler = proxy ? OnProxyAuthorization : OnAuthorization;
  return handler && handler(*auth);
}

void TNwHTTP::ReadResult(TNwStream* stream) {
  if (!stream) return;
  if (response_.ContentLength <= 0 && ContainsText(response_.TransferEncoding, "chunked")) {
    DoStatus(TNwStatus::hsStatusText, "Chunk Started");
  }
  ReadResponseBody(*this, response_, *stream);
}

void TNwHTTP::DiscardBody() {
  TNwExchangeDeadline limit(*this, kNwDiscardBodyTimeLimit);
  DiscardSink sink;
  try {
    ReadResponseBody(*this, response_, sink);
  } catch (const ENwException&) {
    // The body was going to be thrown away, so its failure is not the
    // answer's; but the rest of it may still be on its way, so the
    // connection cannot carry another exchange.
    Disconnect();
  }
}

void TNwHTTP::RaiseProtocolError() {
  TNwMemoryStream body(kNwMaxTextResponseBytes);
  {
    TNwExchangeDeadline limit(*this, kNwErrorBodyTimeLimit);
    try {
      ReadResponseBody(*this, response_, body);
    } catch (const ENwConnClosedGracefully&) {
      // A refusal whose body was cut short is still that refusal.
    }
  }
  throw ENwHTTPProtocolException(response_.ResponseCode, response_.ResponseText, body.DataString());
}

}  // namespace vantora
