#pragma once

#include <string>

namespace vantora {

class TBitmap;
class TPicture;

enum class PortraitOutcome { Made, FrameTooSmall };

// Cuts the middle strip of proportion 228:303 out of the frame at its full
// height, puts it into the photo view's picture and, when stamping is on,
// prints the ID box's raw text in a white band along its bottom edge.
// The frame is not changed; nothing changes when the frame is too small.
PortraitOutcome MakePortrait(const TBitmap& frame, const std::string& rawIdText, bool stamp,
                             TPicture& photoView);

}  // namespace vantora
