#include "pub/resize_jpeg.h"

#include "imaging/graphics.h"
#include "imaging/rounding.h"

namespace vantora {

int RescaledPhotoWidth(int width, int height) { return WidthAtHeight(width, height, kMaxSentPhotoHeight); }

void ResizeJpegInPlace(const std::string& fileName) {
  TBitmap target;
  TJPEGImage source;
  TJPEGImage result;
  source.LoadFromFile(fileName);
  const int width = source.Width();
  const int height = source.Height();
  if (height <= kMaxSentPhotoHeight) {
    target.SetHeight(height);
    target.SetWidth(width);
  } else {
    target.SetHeight(kMaxSentPhotoHeight);
    target.SetWidth(RescaledPhotoWidth(width, height));
  }
  target.SetPixelFormat(TPixelFormat::pf24bit);
  target.Canvas().StretchDraw(Rect(0, 0, target.Width(), target.Height()), &source);
  result.Assign(target);
  result.Compress();
  // The same whole-or-nothing writer as the photo save: a temporary file
  // beside the photo, renamed over it only once every byte is on disk.
  result.SaveToFile(fileName);
}

}  // namespace vantora
