#include "app/portrait.h"

#include "imaging/graphics.h"

#include "app/photo_geometry.h"

namespace vantora {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

// The band goes onto the photo view's own bitmap, not the portrait it was
// copied from, so what the operator sees is exactly what the save writes.
void StampBand(TBitmap& photo, const std::string& rawIdText) {
  TCanvas& canvas = photo.Canvas();
  canvas.Brush().SetColor(kWhite);
  canvas.Font().SetSize(kBandFontSize);
  canvas.Font().SetColor(kBlack);
  const int w = photo.Width();
  const int h = photo.Height();
  canvas.FillRect(TRect{0, h - kBandHeight, w, h});
  // A text wider than the portrait gets a negative x and is clipped equally
  // at both sides; integer division truncates toward zero as intended.
  const int x = (w - canvas.TextWidth(rawIdText)) / 2;
  canvas.TextOut(x, h - kBandHeight, rawIdText);
}

}  // namespace

PortraitOutcome MakePortrait(const TBitmap& frame, const std::string& rawIdText, bool stamp,
                             TPicture& photoView) {
  TBitmap frameCopy(frame);
  if (FrameTooSmallForPortrait(frameCopy.Width(), frameCopy.Height())) {
    return PortraitOutcome::FrameTooSmall;
  }
  const PortraitGeometry g = PortraitGeometryFor(frameCopy.Width(), frameCopy.Height());

  // A new bitmap starts white, so columns that a narrow frame cannot fill stay white.
  TBitmap portrait;
  portrait.SetHeight(g.height);
  portrait.SetWidth(g.width);
  portrait.Canvas().CopyFrom(0, 0, g.width, g.height, frameCopy.Canvas(), g.sourceColumn, 0);

  photoView.Assign(portrait);
  if (stamp) StampBand(photoView.Bitmap(), rawIdText);
  return PortraitOutcome::Made;
}

}  // namespace vantora
