#include "app/photo_save.h"

#include "app/photo_geometry.h"
#include "imaging/graphics.h"

namespace vantora {

TBitmap ScalePhotoForSave(const TBitmap& photo) {
  TBitmap work(photo);
  work.SetHeight(kPortraitHeight);
  work.SetWidth(SavedPhotoWidth(photo.Width(), photo.Height()));
  work.SetPixelFormat(TPixelFormat::pf24bit);
  work.Canvas().StretchDraw(work.Canvas().ClipRect(), &photo);
  return work;
}

void WritePhotoJpeg(const TBitmap& photo, const std::string& fileName) {
  TJPEGImage jpeg;
  jpeg.Assign(ScalePhotoForSave(photo));
  jpeg.SaveToFile(fileName);
}

}  // namespace vantora
