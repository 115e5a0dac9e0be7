#include "capture/frame_copy.h"

#include <new>
#include <optional>

#include "imaging/graphics_errors.h"

namespace vantora {

bool CopyFrameToBitmap(const GstVideoInfo& format, const capture::FrameSnapshot* frame,
                       TBitmap& bitmap) {
  const int width = GST_VIDEO_INFO_WIDTH(&format);
  const int height = GST_VIDEO_INFO_HEIGHT(&format);

  std::optional<capture::MappedFrame> pixels;
  if (frame) pixels.emplace(*frame);
  // A frame from before a format change does not fit the bitmap.
  const bool fits = pixels && pixels->Valid() && pixels->Width() == width &&
                    pixels->Height() == height;
  // Every pixel is about to be overwritten, so a bitmap that already has the
  // frame's size and format is reused instead of being made and zeroed again.
  auto current = bitmap.Pixels();
  const bool reuse = fits && current && current->layout == PixelLayout::kBgr24 &&
                     bitmap.Width() == width && bitmap.Height() == height;
  current.reset();
  if (!reuse) {
    try {
      bitmap.NewDIB24(width, height);
    } catch (const EOutOfResources&) {
      bitmap.NewDIB24(0, 0);
      return false;
    } catch (const std::bad_alloc&) {
      bitmap.NewDIB24(0, 0);
      return false;
    }
  }
  pixels.reset();
  if (!fits) return false;

  // Straight into the bitmap's rows, whichever way up they are stored.
  PixelData* target = bitmap.MutablePixels();
  const std::ptrdiff_t step = height > 1 ? target->Row(1) - target->Row(0) : target->stride;
  const bool converted = capture::ConvertToBgr24(*frame, target->Row(0), step);
  bitmap.NotifyChanged();
  return converted;
}

}  // namespace vantora
