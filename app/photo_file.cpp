#include "app/photo_file.h"

#include <sys/stat.h>

namespace vantora {

namespace {
constexpr char kSeparator = '/';
}

std::string PhotoFileNameFor(const std::string& photoPath, const std::string& normalisedId) {
  std::string name = photoPath;
  if (name.empty() || name.back() != kSeparator) name += kSeparator;
  return name + normalisedId + ".jpg";
}

bool IsSafePhotoId(const std::string& normalisedId) {
  for (const unsigned char c : normalisedId) {
    if (c == kSeparator || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string FileNamePart(const std::string& path) {
  const auto cut = path.find_last_of(kSeparator);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool PhotoFileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace vantora
