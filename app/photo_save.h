#pragma once

#include <string>

namespace vantora {

class TBitmap;

// Writes the photo scaled (nearest pixel, no smoothing) to 303 rows as a
// 24-bit quality-90 JPEG. Throws on any failure; an existing file of that
// name is only replaced once every byte of the new one is written.
void WritePhotoJpeg(const TBitmap& photo, const std::string& fileName);

}  // namespace vantora
