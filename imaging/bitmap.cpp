#include "imaging/bitmap.h"

#include <algorithm>
#include <cstring>

#include "imaging/canvas.h"
#include "imaging/graphics_errors.h"
#include "imaging/jpeg_image.h"
#include "imaging/screen.h"

namespace vantora {

PixelLayout DeviceLayout() {
  const int depth = Screen().depth;
  if (depth >= 24) return PixelLayout::kBgrx32;
  if (depth > 8) return PixelLayout::kRgb565;
  return PixelLayout::kHalftone8;
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other), width_(other.width_), height_(other.height_), format_(other.format_), data_(other.data_) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  Assign(other);
  return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  width_ = source.width_;
  height_ = source.height_;
  format_ = source.format_;
  data_ = source.data_;
  Changed();
}

void TBitmap::Assign(const TJPEGImage& source) { source.AssignTo(*this); }

void TBitmap::Clear() {
  width_ = height_ = 0;
  format_.reset();
  data_.reset();
  Changed();
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(*this);
  return *canvas_;
}

PixelLayout TBitmap::LayoutForNewPixels() const {
  if (data_) return data_->layout;
  return format_.value_or(DeviceLayout());
}

void TBitmap::SetWidth(int w) { SetSize(w, height_); }
void TBitmap::SetHeight(int h) { SetSize(width_, h); }

void TBitmap::SetSize(int w, int h) {
  if (w < 0 || h < 0) throw EInvalidGraphic();
  if (w == width_ && h == height_) return;
  Resize(w, h);
  Changed();
}

// A new store of the new size in the current format, filled with the brush
// colour (white without a surface), with the old picture kept top-left.
void TBitmap::Resize(int w, int h) {
  if (w == 0 || h == 0) {
    if (data_ && !format_) format_ = data_->layout;
    data_.reset();
    width_ = w, height_ = h;
    return;
  }
  auto fresh = AllocatePixels(LayoutForNewPixels(), w, h, /*zeroed=*/false);
  if (fresh->layout == PixelLayout::kIndexed8 && data_) fresh->palette = data_->palette;
  const Rgb background = canvas_ ? canvas_->Brush().Color() : 0xFFFFFF;
  // The old picture covers the top-left; only the rest needs the background.
  const int keptWidth = data_ ? std::min(w, data_->width) : 0;
  const int keptHeight = data_ ? std::min(h, data_->height) : 0;
  FillPixels(*fresh, keptWidth, 0, w, keptHeight, background);
  FillPixels(*fresh, 0, keptHeight, w, h, background);
  if (data_) CopyPixels(*fresh, 0, 0, *data_, 0, 0, keptWidth, keptHeight);
  // Row padding is not part of any pixel, but it goes to the codec and into
  // comparisons of whole rows: keep it defined.
  const int padding = RowBytes(fresh->layout, w) - (w * BitsPerPixel(fresh->layout) + 7) / 8;
  if (padding > 0)
    for (int y = 0; y < h; ++y) std::memset(fresh->Row(y) + fresh->stride - padding, 0, static_cast<std::size_t>(padding));
  data_ = std::move(fresh);
  width_ = w, height_ = h;
}

TPixelFormat TBitmap::PixelFormat() const {
  switch (LayoutForNewPixels()) {
    case PixelLayout::kBgrx32: return TPixelFormat::pf32bit;
    case PixelLayout::kRgb565: return TPixelFormat::pf16bit;
    case PixelLayout::kBgr24: return TPixelFormat::pf24bit;
    case PixelLayout::kHalftone8:
    case PixelLayout::kIndexed8: return TPixelFormat::pf8bit;
  }
  return TPixelFormat::pf24bit;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  std::optional<PixelLayout> wanted;
  switch (format) {
    case TPixelFormat::pfDevice: wanted.reset(); break;
    case TPixelFormat::pf24bit: wanted = PixelLayout::kBgr24; break;
    case TPixelFormat::pf32bit: wanted = PixelLayout::kBgrx32; break;
    case TPixelFormat::pf16bit: wanted = PixelLayout::kRgb565; break;
    case TPixelFormat::pf8bit:
      // An 8-bit picture from the decoder keeps its own palette.
      wanted = LayoutForNewPixels() == PixelLayout::kIndexed8 ? PixelLayout::kIndexed8 : PixelLayout::kHalftone8;
      break;
  }
  const PixelLayout target = wanted.value_or(DeviceLayout());
  if (data_ && data_->layout == target) {
    format_ = wanted;
    return;
  }
  format_ = wanted;
  if (data_) {
    data_ = ConvertPixels(*data_, target);
    Changed();
  }
}

void TBitmap::NewDIB24(int width, int height) {
  if (width < 0 || height < 0) throw EInvalidGraphic();
  std::shared_ptr<PixelData> fresh;
  if (width != 0 && height != 0) fresh = AllocatePixels(PixelLayout::kBgr24, width, height);
  format_ = PixelLayout::kBgr24;
  data_ = std::move(fresh);
  width_ = width, height_ = height;
  Changed();
}

int TBitmap::BytesPerLine() const { return RowBytes(LayoutForNewPixels(), width_); }

PixelData* TBitmap::MutablePixels() {
  if (data_ && data_.use_count() > 1) data_ = std::make_shared<PixelData>(*data_);
  return data_.get();
}

void TBitmap::AdoptPixels(std::shared_ptr<PixelData> data) {
  if (!data) throw EInvalidGraphic();
  width_ = data->width;
  height_ = data->height;
  format_ = data->layout;
  data_ = std::move(data);
  Changed();
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (!data_ || y < 0 || y >= height_) throw EInvalidGraphicOperation(kScanLineRangeText);
  std::uint8_t* row = MutablePixels()->Row(y);
  Changed();
  return row;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
  if (!data_ || y < 0 || y >= height_) throw EInvalidGraphicOperation(kScanLineRangeText);
  return data_->Row(y);
}

std::uint32_t TBitmap::PixelRGB(int x, int y) const {
  if (!data_ || x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidGraphicOperation(kScanLineRangeText);
  return ReadPixel(*data_, x, y);
}

void TBitmap::ReadRowRGB(int y, std::uint32_t* out) const {
  if (!data_ || y < 0 || y >= height_) throw EInvalidGraphicOperation(kScanLineRangeText);
  ReadRow(*data_, y, 0, width_, out);
}

std::vector<std::uint32_t> TBitmap::Palette() const {
  if (!data_) return {};
  if (data_->layout == PixelLayout::kIndexed8) return data_->palette;
  if (data_->layout == PixelLayout::kHalftone8) return HalftonePalette();
  return {};
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) const { canvas.StretchBitmap(r, *this); }

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

}  // namespace vantora
