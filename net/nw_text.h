#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers of the protocol code.
namespace vantora {

// Raises ENwLineBreakNotAllowed ("A line break is not allowed in <what>.")
// when the value holds a CR or LF: outside text that becomes a protocol line
// must not be able to start a line of its own.
void RefuseLineBreaks(std::string_view value, const char* what);

// Drops bytes up to 0x20 at both ends.
std::string Trim(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Whether `needle` occurs in `text`, ignoring ASCII letter case.
bool ContainsText(std::string_view text, std::string_view needle);

// A decimal integer with an optional sign and nothing else. Empty when the
// text is not a number; `overflow` is set when it is one too large for 64 bits.
std::optional<std::int64_t> ParseDecimal(std::string_view text, bool* overflow = nullptr);
// A hexadecimal number of digits only; same conventions.
std::optional<std::int64_t> ParseHex(std::string_view text, bool* overflow = nullptr);

}  // namespace vantora

namespace vantora {

// Standard base64 with padding.
std::string Base64Encode(std::string_view bytes);
// "Tue, 08 Dec 2026 01:25:25 GMT".
std::string InternetDate(std::int64_t unix_time);

}  // namespace vantora
