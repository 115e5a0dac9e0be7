#pragma once

#include <ctime>
#include <string>
#include <vector>

// The client's cookie store: cookies the server set come back with later
// requests to the same host. Nothing is kept beyond the client's life.
namespace vantora {

struct TNwCookie {
  std::string Name;
  std::string Value;
  std::string Domain;
  std::string Path;
  std::time_t Expires = 0;  // 0: lives as long as the store
  bool Secure = false;
};

class TNwCookieManager {
 public:
  // Takes one "Set-Cookie" (or "Set-Cookie2") value received from `host`.
  // A cookie whose domain does not cover the host is ignored, and so is one
  // with a control byte in any part or with name and value longer than
  // kNwMaxCookieBytes; one already expired removes the stored cookie of the
  // same name, domain and path. Beyond kNwMaxCookies the oldest goes.
  void AddServerCookie(const std::string& value, const std::string& host, std::time_t now = std::time(nullptr));
  // The "Cookie" header text for a request to host and path; empty when no
  // cookie applies. Expired cookies are dropped first.
  std::string CookieHeader(const std::string& host, const std::string& path, std::time_t now = std::time(nullptr));

  const std::vector<TNwCookie>& Cookies() const { return cookies_; }

 private:
  std::vector<TNwCookie> cookies_;
};

// Parses the date forms servers put in "Expires"; 0 when unreadable.
std::time_t ParseCookieDate(const std::string& text);

}  // namespace vantora
