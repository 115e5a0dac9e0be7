#include "imaging/canvas.h"

#include <algorithm>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/font_engine.h"
#include "imaging/graphic.h"
#include "imaging/pixel_data.h"

namespace vantora {

namespace {

struct Clipped {
  int x0, y0, x1, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clipped ClipTo(long long x0, long long y0, long long x1, long long y1, int width, int height) {
  return Clipped{static_cast<int>(std::clamp<long long>(x0, 0, width)),
                 static_cast<int>(std::clamp<long long>(y0, 0, height)),
                 static_cast<int>(std::clamp<long long>(x1, 0, width)),
                 static_cast<int>(std::clamp<long long>(y1, 0, height))};
}

FontRequest RequestFor(const TFont& font) {
  FontRequest r;
  r.name = font.Name();
  r.height = font.Height();
  r.charset = font.Charset();
  r.bold = (font.Style() & fsBold) != 0;
  r.italic = (font.Style() & fsItalic) != 0;
  return r;
}

Rgb Blend(Rgb background, Rgb ink, int alpha) {
  const auto mix = [alpha](int b, int f) { return (f * alpha + b * (255 - alpha) + 127) / 255; };
  return MakeRgb(mix(RedOf(background), RedOf(ink)), mix(GreenOf(background), GreenOf(ink)),
                 mix(BlueOf(background), BlueOf(ink)));
}

}  // namespace

TCanvas::TCanvas(TBitmap& owner) : owner_(owner) {}

TRect TCanvas::ClipRect() const { return TRect{0, 0, owner_.Width(), owner_.Height()}; }

void TCanvas::FillRect(const TRect& r) {
  if (brush_.Style() != TBrushStyle::bsSolid) return;
  PixelData* data = owner_.MutablePixels();
  if (!data) return;
  const Clipped c = ClipTo(r.Left, r.Top, r.Right, r.Bottom, data->width, data->height);
  if (c.Empty()) return;
  FillPixels(*data, c.x0, c.y0, c.x1, c.y1, brush_.Color());
  owner_.NotifyChanged();
}

int TCanvas::TextWidth(const std::string& utf8) { return MeasureText(RequestFor(font_), utf8).width; }

int TCanvas::TextHeight(const std::string& utf8) {
  const TextMetrics m = MeasureText(RequestFor(font_), utf8);
  return m.ascent + m.descent;
}

void TCanvas::TextOut(int x, int y, const std::string& utf8) {
  const FontRequest request = RequestFor(font_);
  const TextMetrics m = MeasureText(request, utf8);
  PixelData* data = owner_.MutablePixels();
  if (data) {
    if (brush_.Style() == TBrushStyle::bsSolid) {
      const Clipped box = ClipTo(x, y, static_cast<long long>(x) + m.width,
                                 static_cast<long long>(y) + m.ascent + m.descent, data->width, data->height);
      if (!box.Empty()) FillPixels(*data, box.x0, box.y0, box.x1, box.y1, brush_.Color());
    }
    const Rgb ink = font_.Color();
    std::vector<Rgb> row;
    RenderText(request, utf8, [&](const GlyphCoverage& g) {
      const long long gx = static_cast<long long>(x) + g.left, gy = static_cast<long long>(y) + g.top;
      const Clipped c = ClipTo(gx, gy, gx + g.width, gy + g.rows, data->width, data->height);
      if (c.Empty()) return;
      const int n = c.x1 - c.x0;
      row.resize(static_cast<std::size_t>(n));
      for (int py = c.y0; py < c.y1; ++py) {
        const std::uint8_t* cover = g.coverage + static_cast<std::ptrdiff_t>(py - gy) * g.pitch + (c.x0 - gx);
        ReadRow(*data, py, c.x0, n, row.data());
        for (int i = 0; i < n; ++i)
          if (cover[i] != 0) row[static_cast<std::size_t>(i)] = Blend(row[static_cast<std::size_t>(i)], ink, cover[i]);
        WriteRow(*data, py, c.x0, n, row.data());
      }
    });
    const TFontStyles style = font_.Style();
    if (style & (fsUnderline | fsStrikeOut)) {
      const int thickness = std::max(1, (m.emPixels + 7) / 14);
      const auto line = [&](long long top) {
        const Clipped c = ClipTo(x, top, static_cast<long long>(x) + m.width, top + thickness, data->width, data->height);
        if (!c.Empty()) FillPixels(*data, c.x0, c.y0, c.x1, c.y1, ink);
      };
      const long long baseline = static_cast<long long>(y) + m.ascent;
      if (style & fsUnderline) line(baseline + std::max(1, m.descent / 3));
      if (style & fsStrikeOut) line(baseline - m.ascent * 3 / 10);
    }
    owner_.NotifyChanged();
  }
  pen_ = {x + m.width, y};
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* graphic) {
  if (graphic) graphic->Draw(*this, r);
}

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  if (graphic) graphic->Draw(*this, TRect{x, y, x + graphic->Width(), y + graphic->Height()});
}

void TCanvas::StretchBitmap(const TRect& r, const TBitmap& source) {
  // Hold the source store first: when it is this very bitmap's store, the
  // write below then works on a private copy and reads stay intact.
  const std::shared_ptr<const PixelData> src = source.Pixels();
  if (!src) return;
  PixelData* dst = owner_.MutablePixels();
  if (!dst) return;
  const int dstBits = BitsPerPixel(dst->layout);
  const bool halftone = dstBits <= 8 && dstBits < BitsPerPixel(src->layout);
  StretchPixels(*dst, r.Left, r.Top, r.Width(), r.Height(), *src, halftone);
  owner_.NotifyChanged();
}

void TCanvas::CopyFrom(int x, int y, int w, int h, TCanvas& source, int sx, int sy) {
  if (w <= 0 || h <= 0) return;
  const std::shared_ptr<const PixelData> src = source.owner_.Pixels();
  if (!src) return;
  // The part of the source rectangle that has pixels behind it...
  const Clipped s = ClipTo(sx, sy, static_cast<long long>(sx) + w, static_cast<long long>(sy) + h, src->width,
                           src->height);
  if (s.Empty()) return;
  PixelData* dst = owner_.MutablePixels();
  if (!dst) return;
  // ...moved to where it lands, then cut to this bitmap.
  const long long dx0 = static_cast<long long>(x) + (s.x0 - sx), dy0 = static_cast<long long>(y) + (s.y0 - sy);
  const Clipped d = ClipTo(dx0, dy0, dx0 + (s.x1 - s.x0), dy0 + (s.y1 - s.y0), dst->width, dst->height);
  if (d.Empty()) return;
  CopyPixels(*dst, d.x0, d.y0, *src, s.x0 + static_cast<int>(d.x0 - dx0), s.y0 + static_cast<int>(d.y0 - dy0),
             d.x1 - d.x0, d.y1 - d.y0);
  owner_.NotifyChanged();
}

}  // namespace vantora
