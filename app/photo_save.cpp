#include "app/photo_save.h"

#include "imaging/graphics.h"

#include "app/photo_geometry.h"

namespace vantora {

void WritePhotoJpeg(const TBitmap& photo, const std::string& fileName) {
  TBitmap work;
  TJPEGImage jpeg;
  work.Assign(photo);
  jpeg.Assign(work);  // the JPEG image keeps its own copy of the unscaled photo

  work.SetHeight(kPortraitHeight);
  work.SetWidth(SavedPhotoWidth(jpeg.Width(), jpeg.Height()));
  work.SetPixelFormat(TPixelFormat::pf24bit);
  // Scaled once, straight from the photo's pixels to the saved size.
  work.Canvas().StretchDraw(work.Canvas().ClipRect(), &jpeg);

  jpeg.Assign(work);
  jpeg.SaveToFile(fileName);
}

}  // namespace vantora
