#pragma once

#include <cstdint>
#include <string>

namespace vantora {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum class TFontPitch { fpDefault, fpFixed, fpVariable };

inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int SHIFTJIS_CHARSET = 128;

inline constexpr const char* kDefaultFontName = "MS Sans Serif";
inline constexpr std::uint32_t kWindowTextColor = 0x000000;

// n * numerator / denominator rounded to the nearest integer, halves away
// from zero; -1 when the denominator is 0.
int MulDiv(int n, int numerator, int denominator);

// A text font description; it is realised (looked up and scaled) when text
// is drawn or measured. Height is the character height in pixels without
// internal leading, so the em square is Height() pixels.
class TFont {
 public:
  TFont();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  int Height() const { return height_; }
  void SetHeight(int pixels) { height_ = pixels; }
  int Size() const;           // points at the screen dpi
  void SetSize(int points);  // height = MulDiv(points, screen dpi, 72)
  int Charset() const { return charset_; }
  void SetCharset(int charset) { charset_ = charset; }
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch) { pitch_ = pitch; }
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style) { style_ = style; }
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t rgb) { color_ = rgb & 0xFFFFFF; }

 private:
  std::string name_ = kDefaultFontName;
  int height_;
  int charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = TFontPitch::fpDefault;
  TFontStyles style_ = 0;
  std::uint32_t color_ = kWindowTextColor;
};

}  // namespace vantora
