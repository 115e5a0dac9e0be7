#include "imaging/font_engine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "imaging/graphics_errors.h"

namespace vantora {

namespace {

constexpr int kDefaultEmPixels = 12;
constexpr int kMaxEmPixels = 2048;  // a glyph bitmap stays a few megabytes at most
constexpr std::size_t kMaxFallbackEntries = 4096;
// Rendered glyphs kept: every glyph of the stamp's digits and a few
// thousand Chinese captions, a few megabytes at most.
constexpr std::size_t kMaxCachedGlyphs = 4096;
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

struct Face {
  FT_Face face = nullptr;
  std::string family;
  bool synthBold = false;
  bool synthItalic = false;
};

// One glyph as FreeType made it once for a face, size and style. The stamp
// prints the same digits on every photo; rendering them again each time was
// most of its cost.
struct CachedGlyph {
  bool loaded = false;    // the face gave the glyph at this size
  bool rendered = false;  // and turned it into coverage
  int advance = 0;        // whole pixels
  int left = 0;           // bitmap_left
  int top = 0;            // bitmap_top
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;  // rows x width, top row first; empty: no ink
};

struct GlyphKey {
  FT_Face face;
  int em;
  FT_UInt index;
  bool bold;
  bool italic;
  friend bool operator<(const GlyphKey& a, const GlyphKey& b) {
    return std::tie(a.face, a.em, a.index, a.bold, a.italic) < std::tie(b.face, b.em, b.index, b.bold, b.italic);
  }
};

std::uint32_t DecodeUtf8(const std::string& s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  int extra = 0;
  std::uint32_t cp = 0;
  if (c < 0x80) {
    ++i;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07;
  } else {
    ++i;
    return kReplacementCharacter;
  }
  if (i + static_cast<std::size_t>(extra) >= s.size()) {
    ++i;
    return kReplacementCharacter;
  }
  for (int k = 1; k <= extra; ++k) {
    const unsigned char cc = byte(i + static_cast<std::size_t>(k));
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacementCharacter;
  return cp;
}

bool HasNonAscii(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The process keeps one FreeType library and the faces it has opened:
// looking a face up through fontconfig and opening it costs far more than
// drawing a line of text, and the stamp draws one line per photo.
class FontEngine {
 public:
  static FontEngine& Instance() {
    static FontEngine engine;
    return engine;
  }

  std::mutex mutex;

  Face& Primary(const FontRequest& request) {
    const std::string key = RequestKey(request);
    auto it = primaries_.find(key);
    if (it != primaries_.end()) return it->second;
    Face face = Match(request, 0);
    return primaries_.emplace(key, face).first->second;
  }

  // A face that has the character when the chosen one lacks it (a Chinese
  // caption in a Latin face), as GDI's font linking would give.
  Face& Fallback(const FontRequest& request, std::uint32_t cp, Face& primary) {
    // The face asked for is part of the key: a character one face lacks may
    // be drawn by another face for a different request.
    const std::string key = RequestKey(request) + '\n' + std::to_string(cp);
    auto it = fallbacks_.find(key);
    if (it != fallbacks_.end()) return it->second;
    Face face = primary;
    try {
      Face candidate = Match(request, cp);
      if (FT_Get_Char_Index(candidate.face, cp) != 0) face = candidate;
    } catch (const EOutOfResources&) {
    }
    if (fallbacks_.size() >= kMaxFallbackEntries) fallbacks_.clear();
    return fallbacks_.emplace(key, face).first->second;
  }

 private:
  static std::string RequestKey(const FontRequest& request) {
    return request.name + '\n' + std::to_string(request.charset) + (request.bold ? "b" : "") +
           (request.italic ? "i" : "");
  }

  FontEngine() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~FontEngine() {
    for (auto& [file, face] : opened_) FT_Done_Face(face);
    if (library_) FT_Done_FreeType(library_);
  }

  Face Match(const FontRequest& request, std::uint32_t mustHave) {
    if (!library_) throw EOutOfResources();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) throw EOutOfResources();
    const std::string family = request.name.empty() || request.name == "Default" ? "MS Sans Serif" : request.name;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    // The station runs on Chinese systems: Chinese face names and the GB
    // charset pick Simplified Chinese faces, as they would there.
    const char* lang = nullptr;
    if (request.charset == 134 || HasNonAscii(request.name)) lang = "zh-cn";
    if (request.charset == 128) lang = "ja";
    if (lang) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    if (mustHave != 0) {
      FcCharSet* set = FcCharSetCreate();
      FcCharSetAddChar(set, mustHave);
      FcPatternAddCharSet(pattern, FC_CHARSET, set);
      FcCharSetDestroy(set);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) throw EOutOfResources();
    FcChar8* file = nullptr;
    int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcChar8* matchedFamily = nullptr;
    FcPatternGetString(match, FC_FILE, 0, &file);
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily);
    Face face;
    if (matchedFamily) face.family = reinterpret_cast<const char*>(matchedFamily);
    face.synthBold = request.bold && weight < FC_WEIGHT_DEMIBOLD;
    face.synthItalic = request.italic && slant == FC_SLANT_ROMAN;
    const std::string path = file ? reinterpret_cast<const char*>(file) : "";
    FcPatternDestroy(match);
    face.face = Open(path, index);
    return face;
  }

  FT_Face Open(const std::string& path, int index) {
    const std::string key = path + '#' + std::to_string(index);
    auto it = opened_.find(key);
    if (it != opened_.end()) return it->second;
    FT_Face face = nullptr;
    if (path.empty() || FT_New_Face(library_, path.c_str(), index, &face) != 0) throw EOutOfResources();
    opened_.emplace(key, face);
    return face;
  }

  FT_Library library_ = nullptr;
  std::map<std::string, FT_Face> opened_;
  std::map<std::string, Face> primaries_;
  std::map<std::string, Face> fallbacks_;

 public:
  std::map<GlyphKey, CachedGlyph> glyphs;
};

// The em size in pixels for a GDI-style height request.
int EmPixels(FT_Face face, int height) {
  if (height > 0) return std::min(height, kMaxEmPixels);
  if (height == 0) return kDefaultEmPixels;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const double cellUnits = os2 && os2->usWinAscent + os2->usWinDescent > 0
                               ? static_cast<double>(os2->usWinAscent + os2->usWinDescent)
                               : static_cast<double>(face->ascender - face->descender);
  const double em = -static_cast<double>(height) * face->units_per_EM / std::max(cellUnits, 1.0);
  return std::clamp(static_cast<int>(std::lround(em)), 1, kMaxEmPixels);
}

void CellMetrics(FT_Face face, int em, TextMetrics& m) {
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double ascentUnits = face->ascender, descentUnits = -face->descender;
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) ascentUnits = os2->usWinAscent, descentUnits = os2->usWinDescent;
  const double scale = static_cast<double>(em) / std::max<int>(face->units_per_EM, 1);
  m.ascent = static_cast<int>(std::ceil(ascentUnits * scale - 1e-6));
  m.descent = static_cast<int>(std::ceil(descentUnits * scale - 1e-6));
  m.emPixels = em;
}

// Loads one glyph at the current size with any synthetic style applied;
// false when the face cannot produce it.
bool LoadGlyph(const Face& face, FT_UInt index, bool render) {
  if (FT_Load_Glyph(face.face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_GlyphSlot slot = face.face->glyph;
  if (face.synthItalic) FT_GlyphSlot_Oblique(slot);
  if (face.synthBold) FT_GlyphSlot_Embolden(slot);
  if (render && slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
  return true;
}

// The glyph from the cache, made (loaded, styled, rendered and copied out
// of FreeType's slot) the first time it is asked for.
const CachedGlyph& GlyphFor(FontEngine& engine, const Face& face, int em, FT_UInt index) {
  const GlyphKey key{face.face, em, index, face.synthBold, face.synthItalic};
  auto it = engine.glyphs.find(key);
  if (it != engine.glyphs.end()) return it->second;
  if (engine.glyphs.size() >= kMaxCachedGlyphs) engine.glyphs.clear();
  CachedGlyph glyph;
  if (FT_Set_Pixel_Sizes(face.face, 0, static_cast<FT_UInt>(em)) == 0 && LoadGlyph(face, index, false)) {
    const FT_GlyphSlot slot = face.face->glyph;
    glyph.loaded = true;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.rendered = slot->format == FT_GLYPH_FORMAT_BITMAP || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (glyph.rendered && bitmap.buffer && bitmap.width > 0 && bitmap.rows > 0 &&
        bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      glyph.left = slot->bitmap_left;
      glyph.top = slot->bitmap_top;
      glyph.width = static_cast<int>(bitmap.width);
      glyph.rows = static_cast<int>(bitmap.rows);
      glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows));
      const std::ptrdiff_t pitch = bitmap.pitch;
      for (int r = 0; r < glyph.rows; ++r) {
        // A negative pitch stores the rows bottom-up.
        const std::uint8_t* row = pitch >= 0 ? bitmap.buffer + r * pitch : bitmap.buffer + (glyph.rows - 1 - r) * -pitch;
        std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(glyph.width), row,
                    static_cast<std::size_t>(glyph.width));
      }
    }
  }
  return engine.glyphs.emplace(key, std::move(glyph)).first->second;
}

TextMetrics Run(const FontRequest& request, const std::string& utf8,
                const std::function<void(const GlyphCoverage&)>* draw) {
  FontEngine& engine = FontEngine::Instance();
  std::lock_guard<std::mutex> lock(engine.mutex);
  Face& primary = engine.Primary(request);
  const int em = EmPixels(primary.face, request.height);
  TextMetrics metrics;
  CellMetrics(primary.face, em, metrics);
  int pen = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::uint32_t cp = DecodeUtf8(utf8, i);
    Face* face = &primary;
    FT_UInt index = FT_Get_Char_Index(primary.face, cp);
    if (index == 0 && cp >= 0x20) {
      face = &engine.Fallback(request, cp, primary);
      index = FT_Get_Char_Index(face->face, cp);
    }
    const CachedGlyph& glyph = GlyphFor(engine, *face, em, index);
    if (!glyph.loaded) continue;
    if (draw) {
      if (!glyph.rendered) continue;
      if (!glyph.coverage.empty()) {
        GlyphCoverage g;
        g.left = pen + glyph.left;
        g.top = metrics.ascent - glyph.top;
        g.width = glyph.width;
        g.rows = glyph.rows;
        g.pitch = glyph.width;
        g.coverage = glyph.coverage.data();
        (*draw)(g);
      }
    }
    pen += glyph.advance;
  }
  metrics.width = pen;
  return metrics;
}

}  // namespace

TextMetrics MeasureText(const FontRequest& font, const std::string& utf8) { return Run(font, utf8, nullptr); }

TextMetrics RenderText(const FontRequest& font, const std::string& utf8,
                       const std::function<void(const GlyphCoverage&)>& draw) {
  return Run(font, utf8, &draw);
}

std::string ResolvedFontFamily(const FontRequest& font) {
  FontEngine& engine = FontEngine::Instance();
  std::lock_guard<std::mutex> lock(engine.mutex);
  return engine.Primary(font).family;
}

void LoadFontConfiguration() { FcInit(); }

}  // namespace vantora
