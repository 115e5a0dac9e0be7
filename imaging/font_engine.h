#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantora {

// What a drawing call asks of a font: the face name as the program knows it
// (resolved through fontconfig), and the height in pixels as a GDI-style
// request: positive = character height (em size), negative = cell height,
// 0 = the default height.
struct FontRequest {
  std::string name;
  int height = 0;
  int charset = 1;
  bool bold = false;
  bool italic = false;
};

struct TextMetrics {
  int width = 0;    // sum of the glyphs' advance widths
  int ascent = 0;   // cell above the baseline
  int descent = 0;  // cell below the baseline
  int emPixels = 0;
};

// One glyph's coverage (0..255), placed relative to the text's origin: the
// top-left corner of its first character cell.
struct GlyphCoverage {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  int pitch = 0;
  const std::uint8_t* coverage = nullptr;
};

TextMetrics MeasureText(const FontRequest& font, const std::string& utf8);
// Calls draw for every glyph with ink, left to right; returns the metrics.
TextMetrics RenderText(const FontRequest& font, const std::string& utf8,
                       const std::function<void(const GlyphCoverage&)>& draw);

// The file fontconfig chooses for a face name, for the README and for tests.
std::string ResolvedFontFamily(const FontRequest& font);

// Reads fontconfig's configuration and font caches now. Both the toolkit and
// this engine share them; reading them costs milliseconds, so a caller may do
// it on a worker thread before the first text is drawn. Safe from any thread.
void LoadFontConfiguration();

}  // namespace vantora
