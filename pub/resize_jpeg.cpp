#include "pub/resize_jpeg.h"

#include <algorithm>

#include "imaging/graphics.h"
#include "imaging/rounding.h"

namespace vantora {

int RescaledPhotoWidth(int width, int height) {
  return std::max(1, WidthAtHeight(width, height, kMaxSentPhotoHeight));
}

std::vector<std::uint8_t> ResizeJpegInPlace(const std::string& fileName) {
  TBitmap target;
  TJPEGImage source;
  TJPEGImage result;
  // A cut-off photo would decode with its missing part grey and replace the
  // only copy of the picture: here it is an error.
  source.SetCompleteDataRequired(true);
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
  std::vector<std::uint8_t> bytes = result.SaveToBytes();
  if (bytes.empty()) throw EInvalidGraphic();
  // The photo save's own writer: whole or nothing, where the photo really
  // is (through a link), with its owner and mode.
  result.SaveToFile(fileName);
  return bytes;
}

}  // namespace vantora
