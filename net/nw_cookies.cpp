#include "net/nw_cookies.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "net/nw_limits.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

bool DomainCoversHost(std::string domain, const std::string& host) {
  if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
  if (domain.empty()) return false;
  const std::string h = UpperCase(host);
  const std::string d = UpperCase(domain);
  if (h == d) return true;
  return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 && h[h.size() - d.size() - 1] == '.';
}

// Control bytes (CR and LF among them) would break the request head the
// cookie is sent in, and would make every later request refuse to go out.
bool HasControlBytes(const std::string& text) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) return true;
  }
  return false;
}

}  // namespace

std::time_t ParseCookieDate(const std::string& text) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  std::tm tm{};
  bool have_day = false, have_month = false, have_year = false, have_time = false;
  std::string token;
  auto take = [&](const std::string& t) {
    if (t.empty()) return;
    int h, m, s;
    char extra;
    if (!have_time && std::sscanf(t.c_str(), "%d:%d:%d%c", &h, &m, &s, &extra) == 3) {
      tm.tm_hour = h;
      tm.tm_min = m;
      tm.tm_sec = s;
      have_time = true;
      return;
    }
    if (std::isdigit(static_cast<unsigned char>(t[0]))) {
      const auto n = ParseDecimal(t);
      if (!n) return;
      if (!have_day && *n >= 1 && *n <= 31 && t.size() <= 2) {
        tm.tm_mday = static_cast<int>(*n);
        have_day = true;
      } else if (!have_year) {
        std::int64_t y = *n;
        if (y < 70) y += 2000;
        else if (y < 100) y += 1900;
        tm.tm_year = static_cast<int>(y - 1900);
        have_year = true;
      }
      return;
    }
    const std::string u = UpperCase(t.substr(0, 3));
    for (int i = 0; i < 12; ++i) {
      if (!have_month && u == kMonths[i]) {
        tm.tm_mon = i;
        have_month = true;
      }
    }
  };
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '-' || c == '\t') {
      take(token);
      token.clear();
    } else {
      token += c;
    }
  }
  take(token);
  if (!(have_day && have_month && have_year && have_time)) return 0;
  return timegm(&tm);
}

void TNwCookieManager::AddServerCookie(const std::string& value, const std::string& host, std::time_t now) {
  TNwCookie cookie;
  cookie.Domain = host;
  cookie.Path = "/";
  bool expired = false;
  std::size_t start = 0;
  bool first = true;
  while (start <= value.size()) {
    std::size_t end = value.find(';', start);
    if (end == std::string::npos) end = value.size();
    const std::string item = value.substr(start, end - start);
    const std::size_t eq = item.find('=');
    const std::string name = Trim(item.substr(0, eq));
    const std::string val = eq == std::string::npos ? std::string() : Trim(item.substr(eq + 1));
    if (first) {
      if (name.empty() || eq == std::string::npos) return;
      cookie.Name = name;
      cookie.Value = val;
      first = false;
    } else if (SameText(name, "domain") && !val.empty()) {
      cookie.Domain = val[0] == '.' ? val.substr(1) : val;
    } else if (SameText(name, "path") && !val.empty()) {
      cookie.Path = val;
    } else if (SameText(name, "expires")) {
      cookie.Expires = ParseCookieDate(val);
      if (cookie.Expires != 0 && cookie.Expires <= now) expired = true;
    } else if (SameText(name, "max-age")) {
      if (const auto age = ParseDecimal(val)) {
        if (*age <= 0) expired = true;
        else cookie.Expires = now + static_cast<std::time_t>(std::min<std::int64_t>(*age, 100LL * 365 * 86400));
      }
    } else if (SameText(name, "secure")) {
      cookie.Secure = true;
    }
    start = end + 1;
  }
  if (first || !DomainCoversHost(cookie.Domain, host)) return;
  // A cookie that cannot be sent back as it stands is refused here, once,
  // instead of poisoning every later request.
  if (HasControlBytes(cookie.Name) || HasControlBytes(cookie.Value) || HasControlBytes(cookie.Domain) ||
      HasControlBytes(cookie.Path)) {
    return;
  }
  if (cookie.Name.size() + cookie.Value.size() > kNwMaxCookieBytes) return;
  auto same = [&](const TNwCookie& c) {
    return c.Name == cookie.Name && SameText(c.Domain, cookie.Domain) && c.Path == cookie.Path;
  };
  cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(), same), cookies_.end());
  if (expired) return;
  cookies_.push_back(cookie);
  // A server could otherwise grow the store, and the scan above, without end.
  if (cookies_.size() > kNwMaxCookies) cookies_.erase(cookies_.begin());
}

std::string TNwCookieManager::CookieHeader(const std::string& host, const std::string& path, std::time_t now) {
  cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                [&](const TNwCookie& c) { return c.Expires != 0 && c.Expires <= now; }),
                 cookies_.end());
  std::vector<const TNwCookie*> chosen;
  for (const auto& c : cookies_) {
    if (!ContainsText(host, c.Domain)) continue;
    if (path.compare(0, c.Path.size(), c.Path) != 0) continue;
    if (c.Value.empty() || c.Secure) continue;
    chosen.push_back(&c);
  }
  std::stable_sort(chosen.begin(), chosen.end(),
                   [](const TNwCookie* a, const TNwCookie* b) { return a->Path.size() > b->Path.size(); });
  std::string out;
  for (const TNwCookie* c : chosen) {
    if (!out.empty()) out += "; ";
    out += c->Name + "=" + c->Value;
  }
  return out;
}

}  // namespace vantora
