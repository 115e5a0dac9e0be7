#pragma once

#include <string>

namespace vantora {

class TBitmap;

// The photo scaled once, nearest pixel and without smoothing, to 303 rows
// and the proportional width, as a 24-bit bitmap.
TBitmap ScalePhotoForSave(const TBitmap& photo);

// Writes the photo scaled for saving as a quality-90 JPEG. Throws on any
// failure; an existing file of that name is only replaced once every byte
// of the new one is written.
void WritePhotoJpeg(const TBitmap& photo, const std::string& fileName);

}  // namespace vantora
