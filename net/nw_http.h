#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/nw_cookies.h"
#include "net/nw_http_types.h"
#include "net/nw_multipart.h"
#include "net/nw_tcp_connection.h"
#include "net/nw_uri.h"

// The HTTP/1.x client. A post runs one or more request/answer exchanges over
// the TCP connection: parse the address, connect, write head and body, read
// the answer's head, judge it, read its body, and keep or close the
// connection. Every failure is raised; the client stays usable afterwards.
namespace vantora {

enum TNwHTTPOption : unsigned {
  hoInProcessAuth = 1u << 0,     // after an accepted authorization, repeat at once
  hoKeepOrigProtocol = 1u << 1,  // a post keeps ProtocolVersion instead of 1.0
  hoForceEncodeParams = 1u << 2  // no effect: nothing is percent-encoded
};

struct TNwProxyParams {
  std::string ProxyServer;  // empty: no proxy (the only supported setting)
  int ProxyPort = 0;
  std::string ProxyUsername;
  std::string ProxyPassword;
  bool BasicAuthentication = false;
};

class TNwHTTP : public TNwTCPClient {
 public:
  TNwHTTP();

  TNwHTTPProtocolVersion ProtocolVersion = TNwHTTPProtocolVersion::pv1_1;
  unsigned HTTPOptions = hoForceEncodeParams;
  bool HandleRedirects = false;
  int RedirectMaximum = kNwDefaultRedirectMaximum;
  int AuthRetries = kNwDefaultAuthRetries;
  bool AllowCookies = true;
  TNwProxyParams ProxyParams;
  // The name lookup and TCP connect of a request together, within the
  // exchange's own bound; unlimited by default, as the design has it.
  TNwTimeLimit ConnectTimeout = TNwTimeLimit::Unlimited();

  // Asked about every redirect: may change the location and method; true
  // follows it. Unassigned, the answer is HandleRedirects.
  std::function<bool(std::string& location, TNwHTTPMethod& method, int redirect_count)> OnRedirect;
  // Asked to fill in credentials after a 401 (407); true agrees to retry.
  std::function<bool(TNwAuthentication& authentication)> OnAuthorization;
  std::function<bool(TNwAuthentication& authentication)> OnProxyAuthorization;

  TNwHTTPRequest& Request() { return request_; }
  TNwHTTPResponse& Response() { return response_; }
  const TNwURI& URL() const { return url_; }
  int ResponseCode() const { return response_.ResponseCode; }
  const std::string& ResponseText() const { return response_.ResponseText; }
  int RedirectCount() const { return redirect_count_; }
  // Created at the first answer when AllowCookies is true; owned.
  TNwCookieManager* CookieManager() const { return cookie_manager_.get(); }

  // Posts the body with its own multipart content type; returns the answer's
  // body as text. Raises ENwHTTPProtocolException for an answer that is not
  // 2xx (or that redirects), and the connection errors.
  std::string PostMultipart(const std::string& url, TNwMultiPartFormDataStream& body);
  // Posts `source` and returns the answer's body as text.
  std::string Post(const std::string& url, TNwStream& source);
  // Posts `source` on a new connection, under HTTP/1.0 unless
  // hoKeepOrigProtocol is set, writing the answer's body into `response`.
  void PostStream(const std::string& url, TNwStream& source, TNwStream& response);
  // The exchange loop every method goes through. With ReadTimeout limited,
  // each exchange (connect, request, interim answers, answer and body) must
  // end within that time in total, not only each wait within it; unlimited,
  // nothing bounds it.
  void PerformRequest(TNwHTTPMethod method, const std::string& url, TNwStream* source, TNwStream* response);

  // Whether the last answer lets the connection stay open.
  bool KeepAlive();

 private:
  enum class Verdict { retarget, done, undefined, readAndRepeat, authorize };

  std::string PrepareRequest();
  void SelectTarget();
  void ConnectForRequest();
  void SendRequest(const std::string& head);
  void RetrieveHeaders(std::size_t& head_budget);
  Verdict ProcessResponse();
  bool AskRedirect(std::string& location, TNwHTTPMethod& method);
  bool Authorize(bool proxy);
  [[noreturn]] void RaiseProtocolError();
  void ReadResult(TNwStream* stream);
  void DiscardBody();
  std::string RequestCookie();

  TNwHTTPRequest request_;
  TNwHTTPResponse response_;
  TNwURI url_;
  std::string request_uri_;
  std::unique_ptr<TNwCookieManager> cookie_manager_;
  std::unique_ptr<TNwAuthentication> proxy_authentication_;
  int redirect_count_ = 0;
  int auth_retries_ = 0;
  int proxy_auth_retries_ = 0;
};

}  // namespace vantora
