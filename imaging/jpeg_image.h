#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/graphic.h"

namespace vantora {

class TBitmap;

// Refusals for pictures that would exhaust memory or time. libjpeg's own
// limit is 65500 pixels a side; above kMaxJpegPixels a picture is refused
// with a JPEG error before any pixel memory is taken, and a progressive file
// with more than kMaxJpegScans scans stops with a JPEG error while decoding.
inline constexpr long long kMaxJpegPixels = 100'000'000;
inline constexpr int kMaxJpegScans = 1000;
// Files above this size are refused when loading ("File too large").
inline constexpr std::size_t kMaxJpegFileBytes = std::size_t{256} << 20;

// The compressed stream and what its header says; shared by copies of a
// JPEG image until one of them gets new data.
struct TJPEGData {
  std::vector<std::uint8_t> bytes;
  int width = 0;
  int height = 0;
  bool grayscale = false;
  bool progressive = false;
};

enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// Coding settings; every new JPEG image gets these and the station never
// changes them. The pixel format is 8-bit only when the screen had 8 or
// fewer bits per pixel when the image was made.
struct TJPEGSettings {
  int quality = 90;
  bool grayscale = false;
  TJPEGPerformance performance = TJPEGPerformance::jpBestQuality;
  TJPEGPixelFormat pixelFormat = TJPEGPixelFormat::jf24Bit;
  bool progressiveDisplay = false;
  bool progressiveEncoding = false;
  int scaleDenominator = 1;
  bool smoothing = true;
};

// A JPEG stream paired with its decoded bitmap; each is made from the other
// on first need and kept until the data changes.
class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  TJPEGImage& operator=(const TJPEGImage& other);
  ~TJPEGImage() override;

  void LoadFromFile(const std::string& path);
  void LoadFromMemory(const void* data, std::size_t size);
  // Writes the file whole or not at all: the bytes go to a temporary file
  // beside the target, which replaces the target only once fully written.
  void SaveToFile(const std::string& path);
  std::vector<std::uint8_t> SaveToBytes();

  void Assign(const TBitmap& bitmap);
  void Assign(const TJPEGImage& other);
  void AssignTo(TBitmap& target) const;
  void Compress();

  int Width() const override;
  int Height() const override;
  void SetWidth(int) override;   // always throws "Cannot change the size of a JPEG image"
  void SetHeight(int) override;  // likewise
  bool Empty() const override;

  bool Grayscale() const;  // the header said one grey component
  bool ProgressiveFile() const;
  bool HasData() const { return data_ != nullptr && !data_->bytes.empty(); }
  const TJPEGSettings& Settings() const { return settings_; }

  // Off by default: a stream that ends early decodes, its missing part left
  // as the library fills it, which is what a viewer wants. On: decoding such
  // a stream fails with a JPEG error, for a caller that would otherwise
  // write the half-grey result over the only copy of the photo. Applies to
  // the next decode.
  void SetCompleteDataRequired(bool required);
  bool CompleteDataRequired() const { return completeDataRequired_; }

  // The decoded picture, decoding first if needed.
  const TBitmap& DecodedBitmap() const;

  void Draw(TCanvas& canvas, const TRect& r) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  void Decode() const;

  std::shared_ptr<const TJPEGData> data_;
  mutable std::unique_ptr<TBitmap> bitmap_;
  TJPEGSettings settings_;
  bool completeDataRequired_ = false;
};

}  // namespace vantora
