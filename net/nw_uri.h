#pragma once

#include <string>

// An address split into its parts. No percent-encoding or decoding is done:
// the parts are the address's own bytes, with "\" read as "/".
namespace vantora {

class TNwURI {
 public:
  TNwURI() = default;
  explicit TNwURI(const std::string& uri) { SetURI(uri); }

  void SetURI(const std::string& uri);
  // The composed address; raises ENwURIException without protocol or host.
  std::string GetFullURI() const;

  std::string Protocol;
  std::string Username;
  std::string Password;
  std::string Host;
  std::string Port;
  std::string Path;
  std::string Document;
  std::string Params;  // the query with its leading "?" (or what started it)
  std::string Bookmark;
};

// Collapses "." and ".." segments of a path that begins with "/".
std::string NormalizeURIPath(const std::string& path);

}  // namespace vantora
