// Reading registry-export files. Operators may bring a key exported on an old
// Windows station, so both export formats are read; anything the reader does
// not understand stops it with the file and line, so that a damaged file is
// never taken for an empty one (and then overwritten).
#include <algorithm>
#include <optional>
#include <utility>

#include "base/registry_document.h"
#include "base/utf16.h"

namespace vantora {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameRegistryName(s.substr(0, prefix.size()), prefix);
}

std::optional<unsigned> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

// 1 to `maxDigits` hexadecimal digits, nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : s) {
    auto d = HexDigit(c);
    if (!d) return std::nullopt;
    value = value * 16 + *d;
  }
  return value;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& source) : source_(source), lines_(SplitLines(text)) {}

  RegistryDocument Run() {
    for (index_ = 0; index_ < lines_.size(); ++index_) {
      std::string_view line = Trim(lines_[index_]);
      if (line.empty() || line.front() == ';') continue;
      if (!headerSeen_) {
        ReadHeader(line);
      } else if (line.front() == '[') {
        ReadKeyLine(line);
      } else {
        ReadValueLine(line);
      }
    }
    return std::move(document_);
  }

  [[noreturn]] void Fail(const std::string& why) const { FailAt(index_ + 1, why); }

  [[noreturn]] void FailAt(std::size_t lineNumber, const std::string& why) const {
    throw ESettingsFileError("Settings file " + source_ + ", line " + std::to_string(lineNumber) +
                             ": " + why);
  }

 private:
  void ReadHeader(std::string_view line) {
    if (line == kRegedit4Header) {
      unicodeHexText_ = false;
    } else if (line == kVersion5Header) {
      unicodeHexText_ = true;  // hex-written texts of this format are UTF-16LE
    } else {
      Fail("the first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
    }
    headerSeen_ = true;
  }

  void ReadKeyLine(std::string_view line) {
    if (line.back() != ']') Fail("a key line must end with \"]\"");
    std::string_view path = line.substr(1, line.size() - 2);
    bool removal = !path.empty() && path.front() == '-';
    if (removal) path.remove_prefix(1);
    if (Trim(path).empty() || path.back() == '\\') Fail("the key name is empty");
    if (removal) {
      document_.RemoveKeyTree(path);
      currentKey_.reset();
      return;
    }
    RegKey* key = document_.FindKey(path);
    if (key == nullptr) key = &document_.AddKey(std::string(path));
    currentKey_ = std::string(key->path);
  }

  // A quoted text starting at s[0] == '"'; returns the text and moves `s`
  // past the closing quote.
  std::string ReadQuoted(std::string_view& s, const char* what) {
    std::string out;
    std::size_t i = 1;
    for (; i < s.size(); ++i) {
      char c = s[i];
      if (c == '"') break;
      if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) c = s[++i];
      out += c;
    }
    if (i >= s.size()) Fail(std::string("the ") + what + " has no closing quote");
    s.remove_prefix(i + 1);
    return out;
  }

  void ReadValueLine(std::string_view line) {
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (line.front() == '"') {
      name = ReadQuoted(line, "value name");
    } else {
      Fail("expected a key in brackets or a value line (\"name\"=data)");
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') Fail("expected \"=\" after the value name");
    std::string_view data = Trim(line.substr(1));

    if (!currentKey_) Fail("a value line must follow a key line");
    RegKey& key = *document_.FindKey(*currentKey_);

    if (data == "-") {
      std::erase_if(key.values, [&](const RegValue& v) { return SameRegistryName(v.name, name); });
      return;
    }
    RegValue value{name, kRegSz, {}};
    if (!data.empty() && data.front() == '"') {
      value.data = ReadQuoted(data, "text") + '\0';
      if (!Trim(data).empty()) Fail("unexpected text after the closing quote");
    } else if (StartsWithNoCase(data, "dword:")) {
      auto number = ParseHexNumber(data.substr(6), 8);
      if (!number) Fail("a dword value needs 1 to 8 hexadecimal digits");
      value.type = kRegDword;
      for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>((*number >> shift) & 0xFF);
    } else if (StartsWithNoCase(data, "hex")) {
      ReadHexData(data.substr(3), value);
    } else {
      Fail("unknown kind of value data");
    }
    if (RegValue* existing = FindValue(key, name)) {
      existing->type = value.type;
      existing->data = std::move(value.data);
    } else {
      key.values.push_back(std::move(value));
    }
  }

  // After "hex": either ":" (binary) or "(N):" for type N, then a comma
  // list of bytes that may go on over lines ending with "\".
  void ReadHexData(std::string_view rest, RegValue& value) {
    value.type = kRegBinary;
    if (!rest.empty() && rest.front() == '(') {
      std::size_t close = rest.find(')');
      auto type = close == std::string_view::npos ? std::nullopt : ParseHexNumber(rest.substr(1, close - 1), 8);
      if (!type) Fail("hex(N) needs a hexadecimal type number");
      value.type = *type;
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != ':') Fail("expected \":\" after hex");
    std::string list(Trim(rest.substr(1)));
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (++index_ >= lines_.size()) FailAt(index_, "the value goes on past the end of the file");
      list += Trim(lines_[index_]);
    }
    std::string bytes;
    std::string_view items(list);
    while (!items.empty()) {
      std::size_t comma = items.find(',');
      std::string_view item = Trim(items.substr(0, comma));
      auto byte = ParseHexNumber(item, 2);
      if (!byte) Fail("\"" + std::string(item) + "\" is not a hexadecimal byte");
      bytes += static_cast<char>(*byte);
      if (comma == std::string_view::npos) break;
      items.remove_prefix(comma + 1);
    }
    bool text = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (text && unicodeHexText_) {
      std::string utf8;
      if (AppendUtf16LeAsUtf8(bytes, utf8)) Fail("the text is not valid UTF-16");
      bytes = std::move(utf8);
    }
    value.data = std::move(bytes);
  }

  const std::string& source_;
  std::vector<std::string_view> lines_;
  std::size_t index_ = 0;
  bool headerSeen_ = false;
  bool unicodeHexText_ = false;
  std::optional<std::string> currentKey_;
  RegistryDocument document_;
};

}  // namespace

RegistryDocument RegistryDocument::Parse(std::string_view bytes, const std::string& source) {
  std::string text;
  if (bytes.starts_with(kUtf16LeMark)) {
    bytes.remove_prefix(kUtf16LeMark.size());
    if (auto fault = AppendUtf16LeAsUtf8(bytes, text)) {
      std::size_t line = 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
      throw ESettingsFileError("Settings file " + source + ", line " + std::to_string(line) +
                               ": the file is not valid UTF-16");
    }
  } else if (bytes.starts_with(kUtf16BeMark)) {
    throw ESettingsFileError("Settings file " + source +
                             ", line 1: big-endian UTF-16 files are not supported");
  } else {
    if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
    text.assign(bytes);
  }
  return Parser(text, source).Run();
}

}  // namespace vantora
