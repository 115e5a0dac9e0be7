#pragma once

#include <string>

#include "imaging/brush.h"
#include "imaging/font.h"
#include "imaging/geometry.h"

namespace vantora {

class TBitmap;
class TGraphic;

struct TPoint {
  int X = 0, Y = 0;
};

// The drawing surface of one bitmap. Every call that changes pixels gives
// the bitmap its own pixels first and reports the change afterwards.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& owner);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TFont& Font() { return font_; }
  TBrush& Brush() { return brush_; }
  TPoint PenPos() const { return pen_; }
  void MoveTo(int x, int y) { pen_ = {x, y}; }
  TRect ClipRect() const;

  void FillRect(const TRect& r);

  // Advance width of the UTF-8 text in the current font, and the height of
  // its character cell (ascent plus descent).
  int TextWidth(const std::string& utf8);
  int TextHeight(const std::string& utf8);
  // Top-left corner of the text's cells at (x, y); with a solid brush the
  // cells' background is painted in the brush colour first.
  void TextOut(int x, int y, const std::string& utf8);

  void StretchDraw(const TRect& r, const TGraphic* graphic);
  void Draw(int x, int y, const TGraphic* graphic);

  // Copies w x h pixels from the source surface at (sx, sy) to (x, y),
  // converted to this bitmap's format. Source pixels that lie outside the
  // source bitmap leave the destination's pixels as they were.
  void CopyFrom(int x, int y, int w, int h, TCanvas& source, int sx, int sy);

  // Used by the bitmap's Draw: stretches its pixels into r.
  void StretchBitmap(const TRect& r, const TBitmap& source);

  TBitmap& Owner() { return owner_; }

 private:
  TBitmap& owner_;
  TFont font_;
  TBrush brush_;
  TPoint pen_;
};

}  // namespace vantora
