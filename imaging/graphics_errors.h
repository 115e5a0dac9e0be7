#pragma once

#include <stdexcept>
#include <string>

namespace vantora {

inline constexpr const char* kInvalidGraphicText = "Bitmap image is not valid";
inline constexpr const char* kOutOfResourcesText = "Out of system resources";
inline constexpr const char* kNotABitmapText = "Can only modify an image if it contains a bitmap";
inline constexpr const char* kJpegSizeFixedText = "Cannot change the size of a JPEG image";
inline constexpr const char* kScanLineRangeText = "Scan line index out of range";

// Pixel data that cannot be read as a bitmap.
class EInvalidGraphic : public std::runtime_error {
 public:
  explicit EInvalidGraphic(const std::string& text = kInvalidGraphicText) : std::runtime_error(text) {}
};

// A drawing object or pixel store that cannot be made.
class EOutOfResources : public std::runtime_error {
 public:
  explicit EOutOfResources(const std::string& text = kOutOfResourcesText) : std::runtime_error(text) {}
};

// An operation the graphic at hand cannot do.
class EInvalidGraphicOperation : public std::runtime_error {
 public:
  explicit EInvalidGraphicOperation(const std::string& text = kNotABitmapText) : std::runtime_error(text) {}
};

// Any error raised inside libjpeg, or a picture refused before libjpeg sees it.
class EJPEG : public std::runtime_error {
 public:
  explicit EJPEG(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cannot open file \"<expanded path>\". <system message>"
class EFOpenError : public EStreamError {
 public:
  EFOpenError(const std::string& path, int errnum);
};

// "Cannot create file \"<expanded path>\". <system message>"
class EFCreateError : public EStreamError {
 public:
  EFCreateError(const std::string& path, int errnum);
};

// The absolute, normalised form of a path, as the file errors name it.
std::string ExpandFileName(const std::string& path);

}  // namespace vantora
