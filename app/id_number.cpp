#include "app/id_number.h"

#include "framework/messages.h"

namespace vantora {

namespace {

constexpr char kClipboardPrefix[] = "photo";
constexpr std::size_t kClipboardPrefixLength = sizeof kClipboardPrefix - 1;
constexpr std::size_t kClipboardIdMaxLength = 30;

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

std::string NormaliseId(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  std::string id = text.substr(begin, end - begin);
  for (char& c : id) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return id;
}

bool HasValidIdLength(const std::string& normalised) {
  return normalised.size() == 15 || normalised.size() == 18;
}

void ShowIdLengthMessage() {
  MessageDlg("请输入15或18位身份证号！", MsgDlgType::Information, {MsgButton::OK});
}

bool IsIdCharacter(char32_t code) {
  return code == 8 || code == 13 || code == '.' || (code >= '0' && code <= '9') || code == 'X' ||
         code == 'x';
}

std::optional<std::string> ClipboardIdText(const std::string& clipboardText) {
  std::string text = clipboardText.substr(0, clipboardText.find('\0'));
  if (text.compare(0, kClipboardPrefixLength, kClipboardPrefix) != 0) return std::nullopt;
  return text.substr(kClipboardPrefixLength, kClipboardIdMaxLength);
}

}  // namespace vantora
