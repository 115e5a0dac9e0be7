#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "net/nw_header_list.h"
#include "net/nw_limits.h"
#include "net/nw_stream.h"

// The request and answer records of the HTTP client and the values parsed
// from or written into their header lines.
namespace vantora {

enum class TNwHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };
enum class TNwHTTPProtocolVersion { pv1_0, pv1_1 };

// The request-line word of a method ("POST").
const char* MethodWord(TNwHTTPMethod method);

// An authorization scheme's credentials and the header value they make.
class TNwAuthentication {
 public:
  virtual ~TNwAuthentication() = default;
  virtual std::string Authentication() const = 0;
  std::string Username;
  std::string Password;
};

class TNwBasicAuthentication : public TNwAuthentication {
 public:
  std::string Authentication() const override;
};

struct TNwEntityHeaderInfo {
  std::string Connection;
  std::string ContentVersion;
  std::string ContentEncoding;
  std::string ContentLanguage;
  std::string ContentType;
  std::int64_t ContentLength = -1;  // -1: none
  std::string CacheControl;
  std::time_t Date = 0;
  std::time_t Expires = 0;
  std::string Pragma;
  TNwHeaderList CustomHeaders;
  // The header lines as actually written or received.
  TNwHeaderList RawHeaders{kNwRawHeaderFoldLength};

  bool HasContentLength() const { return ContentLength >= 0; }
};

struct TNwHTTPRequest : TNwEntityHeaderInfo {
  TNwHTTPRequest() { ContentType = "text/html"; }

  std::string Accept = "text/html, */*";
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string From;
  std::string Referer;
  std::string UserAgent = "Mozilla/3.0 (compatible; Vantora)";
  std::string Host;
  std::string ProxyConnection;
  bool BasicAuthentication = false;
  std::time_t LastModified = 0;
  std::int64_t ContentRangeStart = 0;
  std::int64_t ContentRangeEnd = 0;

  // The full address on entry, the request-URI once prepared.
  std::string URL;
  TNwHTTPMethod Method = TNwHTTPMethod::hmGet;
  TNwStream* Source = nullptr;  // not owned
  std::string Username;
  std::string Password;
  std::unique_ptr<TNwAuthentication> Authentication;
};

struct TNwHTTPResponse : TNwEntityHeaderInfo {
  std::string ResponseText;  // the status line
  int ResponseCode = -1;
  TNwHTTPProtocolVersion ResponseVersion = TNwHTTPProtocolVersion::pv1_1;
  TNwStream* ContentStream = nullptr;  // not owned

  std::string Location;
  std::string Server;
  std::string ProxyConnection;
  std::string TransferEncoding;
  std::int64_t ContentRangeStart = 0;
  std::int64_t ContentRangeEnd = 0;
  std::vector<std::string> WWWAuthenticate;
  std::vector<std::string> ProxyAuthenticate;
  std::time_t LastModified = 0;
};

}  // namespace vantora
