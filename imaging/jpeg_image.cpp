#include "imaging/jpeg_image.h"

#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "base/whole_file.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/graphics_errors.h"
#include "imaging/jpeg_codec.h"
#include "imaging/screen.h"

namespace vantora {

namespace {

struct DecoderDeleter {
  void operator()(jpeg::Decoder* d) const { jpeg::DeleteDecoder(d); }
};

struct EncodedDeleter {
  void operator()(jpeg::EncodedBuffer* b) const { jpeg::FreeEncoded(b); }
};

}  // namespace

TJPEGImage::TJPEGImage() {
  if (Screen().depth <= 8) settings_.pixelFormat = TJPEGPixelFormat::jf8Bit;
}

TJPEGImage::TJPEGImage(const TJPEGImage& other)
    : TGraphic(other),
      data_(other.data_),
      bitmap_(other.bitmap_ ? std::make_unique<TBitmap>(*other.bitmap_) : nullptr),
      settings_(other.settings_),
      completeDataRequired_(other.completeDataRequired_) {}

TJPEGImage& TJPEGImage::operator=(const TJPEGImage& other) {
  Assign(other);
  return *this;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromFile(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path, kMaxJpegFileBytes);
  } catch (const std::system_error& e) {
    throw EFOpenError(path, e.code().value());
  }
  LoadFromMemory(bytes.data(), bytes.size());
}

void TJPEGImage::LoadFromMemory(const void* data, std::size_t size) {
  auto holder = std::make_shared<TJPEGData>();
  if (size > 0) {
    const auto* begin = static_cast<const std::uint8_t*>(data);
    holder->bytes.assign(begin, begin + size);
  }
  data_ = holder;
  bitmap_.reset();
  if (size > 0) {
    jpeg::HeaderInfo header;
    int code = 0;
    if (!jpeg::ReadHeader(holder->bytes.data(), holder->bytes.size(), &header, &code)) {
      Changed();
      throw EJPEG(code);
    }
    holder->width = header.width;
    holder->height = header.height;
    holder->grayscale = header.grayscale;
    holder->progressive = header.progressive;
  }
  Changed();
}

void TJPEGImage::Decode() const {
  if (bitmap_) return;
  if (!data_) {
    bitmap_ = std::make_unique<TBitmap>();
    return;
  }
  std::unique_ptr<jpeg::Decoder, DecoderDeleter> decoder(jpeg::NewDecoder());
  if (!decoder) throw EOutOfResources();
  jpeg::DecodeOptions options;
  options.grayscaleOutput = settings_.grayscale;
  options.eightBit = settings_.pixelFormat == TJPEGPixelFormat::jf8Bit;
  options.smoothing = settings_.smoothing;
  options.bestSpeed = settings_.performance == TJPEGPerformance::jpBestSpeed;
  options.requireCompleteData = completeDataRequired_;
  auto info = std::make_unique<jpeg::DecodeInfo>();
  if (!jpeg::DecoderStart(decoder.get(), data_->bytes.data(), data_->bytes.size(), &options, info.get()))
    throw EJPEG(jpeg::DecoderError(decoder.get()));

  auto pixels = AllocatePixels(info->indexed ? PixelLayout::kIndexed8 : PixelLayout::kBgr24, info->width, info->height);
  if (info->indexed) pixels->palette.assign(info->palette, info->palette + info->paletteSize);
  std::vector<std::uint8_t*> rows(static_cast<std::size_t>(info->height));
  for (int y = 0; y < info->height; ++y) rows[static_cast<std::size_t>(y)] = pixels->Row(y);
  if (!jpeg::DecoderReadRows(decoder.get(), rows.data(), info->height)) throw EJPEG(jpeg::DecoderError(decoder.get()));

  auto bitmap = std::make_unique<TBitmap>();
  bitmap->AdoptPixels(std::move(pixels));
  bitmap_ = std::move(bitmap);
}

const TBitmap& TJPEGImage::DecodedBitmap() const {
  Decode();
  return *bitmap_;
}

void TJPEGImage::Compress() {
  // Compressing a loaded picture that was never decoded must not throw its
  // data away: decode it first, then encode that.
  if (!bitmap_ && HasData()) Decode();
  auto holder = std::make_shared<TJPEGData>();
  if (bitmap_ && !bitmap_->Empty()) {
    TBitmap source(*bitmap_);
    source.SetPixelFormat(TPixelFormat::pf24bit);
    const std::shared_ptr<const PixelData> pixels = source.Pixels();
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(pixels->height));
    for (int y = 0; y < pixels->height; ++y) rows[static_cast<std::size_t>(y)] = pixels->Row(y);
    jpeg::EncodeOptions options;
    options.quality = settings_.quality;
    options.grayscale = settings_.grayscale;
    options.progressive = settings_.progressiveEncoding;
    jpeg::EncodedBuffer buffer;
    int code = 0;
    if (!jpeg::Encode(rows.data(), pixels->width, pixels->height, &options, &buffer, &code)) throw EJPEG(code);
    std::unique_ptr<jpeg::EncodedBuffer, EncodedDeleter> owned(&buffer);
    holder->bytes.assign(buffer.data, buffer.data + buffer.size);
    holder->width = pixels->width;
    holder->height = pixels->height;
    holder->grayscale = settings_.grayscale;
    holder->progressive = settings_.progressiveEncoding;
  }
  data_ = std::move(holder);
}

std::vector<std::uint8_t> TJPEGImage::SaveToBytes() {
  if (!HasData()) Compress();
  return data_ ? data_->bytes : std::vector<std::uint8_t>{};
}

void TJPEGImage::SaveToFile(const std::string& path) {
  if (!HasData()) Compress();
  const std::string_view bytes = data_ ? std::string_view(reinterpret_cast<const char*>(data_->bytes.data()), data_->bytes.size())
                                       : std::string_view();
  try {
    WriteWholeFile(path, bytes, TFileMode::kKeepTarget);
  } catch (const std::system_error& e) {
    throw EFCreateError(path, e.code().value());
  }
}

void TJPEGImage::Assign(const TBitmap& bitmap) {
  data_.reset();
  bitmap_ = std::make_unique<TBitmap>(bitmap);
  Changed();
}

void TJPEGImage::Assign(const TJPEGImage& other) {
  if (&other == this) return;
  data_ = other.data_;
  bitmap_ = other.bitmap_ ? std::make_unique<TBitmap>(*other.bitmap_) : nullptr;
  settings_ = other.settings_;
  completeDataRequired_ = other.completeDataRequired_;
  Changed();
}

void TJPEGImage::SetCompleteDataRequired(bool required) { completeDataRequired_ = required; }

void TJPEGImage::AssignTo(TBitmap& target) const {
  Decode();
  target.Assign(*bitmap_);
}

int TJPEGImage::Width() const {
  if (bitmap_) return bitmap_->Width();
  return data_ ? data_->width : 0;
}

int TJPEGImage::Height() const {
  if (bitmap_) return bitmap_->Height();
  return data_ ? data_->height : 0;
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(kJpegSizeFixedText); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(kJpegSizeFixedText); }

bool TJPEGImage::Empty() const { return !HasData() && (!bitmap_ || bitmap_->Empty()); }

bool TJPEGImage::Grayscale() const { return data_ && data_->grayscale; }
bool TJPEGImage::ProgressiveFile() const { return data_ && data_->progressive; }

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r) const {
  Decode();
  canvas.StretchBitmap(r, *bitmap_);
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const { return std::make_unique<TJPEGImage>(*this); }

}  // namespace vantora
