#pragma once

#include <string>

namespace vantora {

class TBitmap;
class TPicture;

enum class PortraitOutcome { Made, FrameTooSmall };

// The strip of proportion 228:303 from the middle of the frame, at its full
// height and in the frame's own pixels. Columns a narrow frame cannot fill
// stay white.
TBitmap CutPortrait(const TBitmap& frame);

// Prints the text in black at 24 points, centred, on a white band over the
// bottom 35 rows of the photo.
void StampIdBand(TBitmap& photo, const std::string& rawIdText);

// Cuts the portrait out of the frame, puts it into the photo view's picture
// and, when stamping is on, stamps the ID box's raw text on the view's own
// bitmap. Nothing changes when the frame is too small.
PortraitOutcome MakePortrait(const TBitmap& frame, const std::string& rawIdText, bool stamp,
                             TPicture& photoView);

}  // namespace vantora
