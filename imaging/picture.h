#pragma once

#include <functional>
#include <memory>

#include "imaging/graphic.h"

namespace vantora {

class TBitmap;
class TJPEGImage;

// Holds at most one graphic and owns it; image controls keep their content here.
class TPicture {
 public:
  TPicture() = default;
  ~TPicture();
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // The content as a bitmap; any other content (or none) is first replaced
  // by an empty bitmap.
  TBitmap& Bitmap();
  void Assign(const TBitmap& bitmap);  // stores a copy
  void Assign(const TJPEGImage& jpeg);
  void Assign(const TPicture& other);
  void Clear();

  TGraphic* Graphic() { return graphic_.get(); }
  const TGraphic* Graphic() const { return graphic_.get(); }
  int Width() const;
  int Height() const;

  // Fired after the content, or the held graphic's pixels, change.
  std::function<void()> OnChange;

 private:
  void Hold(std::unique_ptr<TGraphic> graphic);
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace vantora
