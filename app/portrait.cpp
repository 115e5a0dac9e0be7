#include "app/portrait.h"

#include "app/photo_geometry.h"
#include "imaging/graphics.h"

namespace vantora {

namespace {
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
}  // namespace

TBitmap CutPortrait(const TBitmap& frame) {
  TBitmap frameCopy(frame);
  const PortraitGeometry g = PortraitGeometryFor(frameCopy.Width(), frameCopy.Height());
  TBitmap portrait;  // a new bitmap sized height first, then width, starts white
  portrait.SetHeight(g.height);
  portrait.SetWidth(g.width);
  portrait.Canvas().CopyFrom(0, 0, g.width, g.height, frameCopy.Canvas(), g.sourceColumn, 0);
  return portrait;
}

void StampIdBand(TBitmap& photo, const std::string& rawIdText) {
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

PortraitOutcome MakePortrait(const TBitmap& frame, const std::string& rawIdText, bool stamp,
                             TPicture& photoView) {
  if (FrameTooSmallForPortrait(frame.Width(), frame.Height())) return PortraitOutcome::FrameTooSmall;
  photoView.Assign(CutPortrait(frame));
  // The band goes onto the photo view's own bitmap, so what the operator
  // sees is exactly what the save writes.
  if (stamp) StampIdBand(photoView.Bitmap(), rawIdText);
  return PortraitOutcome::Made;
}

}  // namespace vantora
