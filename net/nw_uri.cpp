#include "net/nw_uri.h"

#include <vector>

#include "net/nw_exceptions.h"

namespace vantora {

namespace {

// Bytes of a double-byte character are never taken for "\": the second
// byte of a GBK character may be 0x5C.
std::string BackslashesToSlashes(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < out.size()) {
      ++i;
    } else if (c == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

}  // namespace

void TNwURI::SetURI(const std::string& uri) {
  Protocol.clear();
  Username.clear();
  Password.clear();
  Host.clear();
  Port.clear();
  Path.clear();
  Document.clear();
  Params.clear();
  Bookmark.clear();

  std::string rest = BackslashesToSlashes(uri);
  const std::size_t scheme = rest.find("://");
  bool absolute = false;
  if (scheme != std::string::npos) {
    absolute = true;
    Protocol = rest.substr(0, scheme);
    rest.erase(0, scheme + 3);
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    const std::size_t at = authority.find('@');
    if (at != std::string::npos) {
      const std::string userinfo = authority.substr(0, at);
      authority.erase(0, at + 1);
      const std::size_t colon = userinfo.find(':');
      Username = userinfo.substr(0, colon);
      if (colon != std::string::npos) Password = userinfo.substr(colon + 1);
      if (Username.empty()) Password.clear();
    }
    const std::size_t colon = authority.find(':');
    Host = authority.substr(0, colon);
    if (colon != std::string::npos) Port = authority.substr(colon + 1);
  }

  std::size_t query = rest.find('?');
  if (query == std::string::npos) query = rest.find('=');
  const std::string before = rest.substr(0, query);
  if (query != std::string::npos) Params = rest.substr(query);
  const std::size_t last_slash = before.rfind('/');
  const std::string dir = last_slash == std::string::npos ? std::string() : before.substr(0, last_slash + 1);
  Document = last_slash == std::string::npos ? before : before.substr(last_slash + 1);
  Path = absolute ? "/" + dir : dir;

  if (const std::size_t hash = Document.find('#'); hash != std::string::npos) {
    Bookmark = Document.substr(hash + 1);
    Document.erase(hash);
  } else if (const std::size_t phash = Params.find('#'); phash != std::string::npos) {
    Bookmark = Params.substr(phash + 1);
    Params.erase(phash);
  }
}

std::string TNwURI::GetFullURI() const {
  if (Protocol.empty()) throw ENwURIException("Protocol field is empty");
  if (Host.empty()) throw ENwURIException("Host field is empty");
  std::string out = Protocol + "://";
  if (!Username.empty()) {
    out += Username;
    if (!Password.empty()) out += ":" + Password;
    out += "@";
  }
  out += Host;
  if (!Port.empty()) out += ":" + Port;
  out += Path + Document + Params;
  if (!Bookmark.empty()) out += "#" + Bookmark;
  return out;
}

std::string NormalizeURIPath(const std::string& path) {
  std::vector<std::string> kept;
  bool ends_in_folder = !path.empty() && path.back() == '/';
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t next = path.find('/', i);
    if (next == std::string::npos) next = path.size();
    const std::string segment = path.substr(i, next - i);
    const bool last = next >= path.size() - 1;
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
      if (last) ends_in_folder = true;
    } else if (segment == ".") {
      if (last) ends_in_folder = true;
    } else if (!segment.empty()) {
      kept.push_back(segment);
    }
    i = next + 1;
  }
  std::string out = !path.empty() && path[0] == '/' ? "/" : "";
  for (std::size_t s = 0; s < kept.size(); ++s) {
    out += kept[s];
    if (s + 1 < kept.size() || ends_in_folder) out += "/";
  }
  return out;
}

}  // namespace vantora
