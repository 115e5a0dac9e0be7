// Writing registry-export files: always REGEDIT4 in UTF-8, in the form
// regedit itself writes, so the file can go back to a Windows station.
#include <algorithm>
#include <cstdio>

#include "base/registry_document.h"

namespace vantora {

namespace {

// regedit wraps hex lists before this column and indents the rest by two.
constexpr std::size_t kHexLineWidth = 77;

std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// A text goes between quotes only when a reader gets back exactly the same
// bytes: one terminating zero and no control bytes (a line break inside
// quotes would end the line and spoil the file for the next start).
bool FitsInQuotes(const RegValue& v) {
  if (v.type != kRegSz || v.data.empty() || v.data.back() != '\0') return false;
  return std::none_of(v.data.begin(), v.data.end() - 1,
                      [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string HexList(std::string line, std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
    line += hex;
    if (i + 1 < bytes.size()) {
      line += ',';
      if (line.size() >= kHexLineWidth) {
        out += line + "\\\n";
        line = "  ";
      }
    }
  }
  return out + line;
}

std::string ValueLine(const RegValue& v) {
  std::string head = (v.name.empty() ? std::string("@") : Quoted(v.name)) + "=";
  if (FitsInQuotes(v)) return head + Quoted(std::string_view(v.data).substr(0, v.data.size() - 1));
  if (v.type == kRegDword && v.data.size() == 4) {
    unsigned value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
    char number[9];
    std::snprintf(number, sizeof number, "%08x", value);
    return head + "dword:" + number;
  }
  if (v.type == kRegBinary) return HexList(head + "hex:", v.data);
  char type[16];
  std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
  return HexList(head + type, v.data);
}

}  // namespace

std::string RegistryDocument::Serialise() const {
  std::string out = "REGEDIT4\n";
  for (const RegKey& key : keys_) {
    out += "\n[" + key.path + "]\n";
    for (const RegValue& v : key.values) out += ValueLine(v) + "\n";
  }
  return out + "\n";
}

}  // namespace vantora
