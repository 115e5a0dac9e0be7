#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/graphic.h"
#include "imaging/pixel_data.h"

namespace vantora {

class TCanvas;
class TJPEGImage;

// An in-memory raster image. Copies share their pixels until one of them
// changes; each bitmap owns its drawing surface, made on first use.
class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(const TBitmap& other);             // an independent copy (the pixels are shared until changed)
  TBitmap& operator=(const TBitmap& other);  // same as Assign
  ~TBitmap() override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  void SetSize(int w, int h);
  bool Empty() const override { return width_ == 0 || height_ == 0; }

  TPixelFormat PixelFormat() const;
  void SetPixelFormat(TPixelFormat format);

  void Assign(const TBitmap& source);
  void Assign(const TJPEGImage& source);
  void Clear();  // becomes empty: 0 x 0, no pixels, the screen's format again

  TCanvas& Canvas();
  bool HasCanvas() const { return canvas_ != nullptr; }

  // Replaces the image by a 24-bit bitmap of width x height with every byte
  // 0 (black). The frame grab fills its rows afterwards through ScanLine.
  void NewDIB24(int width, int height);

  int BytesPerLine() const;
  // Row y counted from the top whatever the storage order. The writable
  // form gives this bitmap its own pixels first and counts as a change.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;

  std::uint32_t PixelRGB(int x, int y) const;      // 0xRRGGBB whatever the format
  void ReadRowRGB(int y, std::uint32_t* out) const;  // Width() colours of row y as 0xRRGGBB
  // The palette of an 8-bit bitmap as 0xRRGGBB entries (empty otherwise).
  std::vector<std::uint32_t> Palette() const;

  void Draw(TCanvas& canvas, const TRect& r) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  // For the drawing surface and the JPEG coder: the shared store (null when
  // a dimension is 0), and the store made private to this bitmap for writing.
  std::shared_ptr<const PixelData> Pixels() const { return data_; }
  PixelData* MutablePixels();
  void AdoptPixels(std::shared_ptr<PixelData> data);  // takes size and format from the store
  void NotifyChanged() { Changed(); }

 private:
  PixelLayout LayoutForNewPixels() const;
  void Resize(int w, int h);

  int width_ = 0;
  int height_ = 0;
  std::optional<PixelLayout> format_;  // unset: the screen's own format
  std::shared_ptr<PixelData> data_;
  std::unique_ptr<TCanvas> canvas_;
};

// The device format of new bitmaps for the screen as it is now.
PixelLayout DeviceLayout();

}  // namespace vantora
