#include "base/utf16.h"

#include <cstdint>

namespace vantora {

namespace {

void AppendCodePoint(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::uint32_t UnitAt(std::string_view bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
}

}  // namespace

std::optional<std::size_t> AppendUtf16LeAsUtf8(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  while (i + 1 < bytes.size()) {
    std::uint32_t unit = UnitAt(bytes, i);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return i;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return i;
      std::uint32_t low = UnitAt(bytes, i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return i;
      AppendCodePoint(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
      i += 4;
      continue;
    }
    AppendCodePoint(unit, out);
    i += 2;
  }
  if (i != bytes.size()) return i;
  return std::nullopt;
}

}  // namespace vantora
