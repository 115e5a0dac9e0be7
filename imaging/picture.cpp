#include "imaging/picture.h"

#include "imaging/bitmap.h"
#include "imaging/jpeg_image.h"

namespace vantora {

TPicture::~TPicture() {
  if (graphic_) graphic_->OnChange = nullptr;
}

void TPicture::Hold(std::unique_ptr<TGraphic> graphic) {
  if (graphic_) graphic_->OnChange = nullptr;
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this] { Changed(); };
  Changed();
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  Hold(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::Assign(const TBitmap& bitmap) { Hold(std::make_unique<TBitmap>(bitmap)); }

void TPicture::Assign(const TJPEGImage& jpeg) { Hold(std::make_unique<TJPEGImage>(jpeg)); }

void TPicture::Assign(const TPicture& other) {
  if (&other == this) return;
  Hold(other.graphic_ ? other.graphic_->Clone() : nullptr);
}

void TPicture::Clear() { Hold(nullptr); }

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

}  // namespace vantora
