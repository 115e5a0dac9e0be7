#pragma once
// The copy behind GrabFrame: one grabbed frame, in whatever raw format it
// came, converted into a 24-bit bitmap of the frame's size; kept apart from
// the grabber member so that every outcome can be checked with a format and
// a frame of the test's own making.

#include "imaging/graphics.h"
#include "capture/platform/video_frame.h"

namespace vantora {

// Gives the bitmap the format's width, height and 24-bit layout, then the
// frame's pixels, converted straight into the bitmap's rows, when a frame of
// that size is there. True when the pixels were copied. A bitmap the system cannot make is left empty, with false: a
// failed grab is reported by the result, never by an error.
bool CopyFrameToBitmap(const GstVideoInfo& format, const capture::FrameSnapshot* frame,
                       TBitmap& bitmap);

}  // namespace vantora
