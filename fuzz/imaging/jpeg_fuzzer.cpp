// Loads arbitrary bytes as a JPEG file and draws the result, as the batch
// resize does with whatever file an operator picked. Anything but a JPEG
// error (or a clean decode) is a fault.

#include <cstddef>
#include <cstdint>

#include "imaging/graphics.h"

namespace {

// Larger pictures are valid but only make runs slow; the limits themselves
// are tested separately.
constexpr long long kFuzzPixelLimit = 1'000'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantora;
  try {
    TJPEGImage jpeg;
    jpeg.LoadFromMemory(data, size);
    if (static_cast<long long>(jpeg.Width()) * jpeg.Height() > kFuzzPixelLimit) return 0;
    TBitmap target;
    target.SetPixelFormat(TPixelFormat::pf24bit);
    target.SetHeight(37);
    target.SetWidth(29);
    target.Canvas().StretchDraw(target.Canvas().ClipRect(), &jpeg);
    TBitmap copy;
    copy.Assign(jpeg);
    if (!copy.Empty()) {
      TJPEGImage again;
      again.Assign(copy);
      again.Compress();
    }
  } catch (const EJPEG&) {
  } catch (const EOutOfResources&) {
  }
  return 0;
}
