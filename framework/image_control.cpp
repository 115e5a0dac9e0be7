#include "framework/image_control.h"

#include <QImage>
#include <QPainter>
#include <vector>

namespace vantora {

namespace {

// A Qt copy of the bitmap's pixels; the bitmap's own storage order and
// format stay the imaging layer's business.
QImage ToQImage(const TBitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  if (image.isNull()) return image;
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    bitmap.ReadRowRGB(y, row);
    for (int x = 0; x < bitmap.Width(); ++x) row[x] |= 0xFF000000u;
  }
  return image;
}

}  // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {
  picture_.OnChange = [this] { update(); };
}

TImage::~TImage() { picture_.OnChange = nullptr; }

TCanvas& TImage::Canvas() {
  TGraphic* graphic = picture_.Graphic();
  if (!graphic) {
    TBitmap& bitmap = picture_.Bitmap();
    bitmap.SetWidth(width());
    bitmap.SetHeight(height());
    return bitmap.Canvas();
  }
  auto* bitmap = dynamic_cast<TBitmap*>(graphic);
  if (!bitmap) throw EInvalidGraphicOperation(kNotABitmapText);
  return bitmap->Canvas();
}

void TImage::SetStretch(bool on) {
  if (stretch_ == on) return;
  stretch_ = on;
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  const TGraphic* graphic = picture_.Graphic();
  if (!graphic) return;
  const TBitmap* bitmap = dynamic_cast<const TBitmap*>(graphic);
  try {
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(graphic)) bitmap = &jpeg->DecodedBitmap();
  } catch (const std::exception&) {
    return;  // a picture that cannot be decoded shows nothing
  }
  if (!bitmap || bitmap->Empty()) return;
  const QImage image = ToQImage(*bitmap);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (stretch_)
    painter.drawImage(rect(), image);
  else
    painter.drawImage(0, 0, image);
}

}  // namespace vantora
