#include "imaging/graphics_errors.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace vantora {

namespace {
std::string FileErrorText(const char* words, const std::string& path, int errnum) {
  return std::string(words) + " \"" + ExpandFileName(path) + "\". " + std::strerror(errnum);
}
}  // namespace

EJPEG::EJPEG(int code) : std::runtime_error("JPEG error #" + std::to_string(code)), code_(code) {}

EFOpenError::EFOpenError(const std::string& path, int errnum)
    : EStreamError(FileErrorText("Cannot open file", path, errnum)) {}

EFCreateError::EFCreateError(const std::string& path, int errnum)
    : EStreamError(FileErrorText("Cannot create file", path, errnum)) {}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return full.lexically_normal().string();
}

}  // namespace vantora
