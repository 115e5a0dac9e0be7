#pragma once

#include <optional>
#include <string>

namespace vantora {

// The ID box's text trimmed of bytes up to 0x20 at both ends, then with the
// ASCII letters a-z upper-cased; every other byte stays. What the save and
// the upload use; the stamp prints the raw text.
std::string NormaliseId(const std::string& text);

// The upload's only test of an ID: exactly 15 or 18 bytes.
bool HasValidIdLength(const std::string& normalised);

// The information box for an ID of the wrong length.
void ShowIdLengthMessage();

// The typing filter's rule: backspace, Enter, ".", digits, "X" and "x" reach
// the ID box; every other character code is discarded.
bool IsIdCharacter(char32_t code);

// What the ID box takes from clipboard text: the up to 30 bytes after a
// leading "photo" (case-sensitive, compared byte by byte), unfiltered; the
// text is first cut at its first zero byte. Nothing when the prefix is absent.
std::optional<std::string> ClipboardIdText(const std::string& clipboardText);

}  // namespace vantora
