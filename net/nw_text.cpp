#include "net/nw_text.h"

#include "net/nw_exceptions.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <limits>

namespace vantora {

void RefuseLineBreaks(std::string_view value, const char* what) {
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    throw ENwLineBreakNotAllowed(std::string("A line break is not allowed in ") + what + ".");
  }
}

std::string Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
  return std::string(text.substr(b, e - b));
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) { return UpperCase(a) == UpperCase(b); }

bool ContainsText(std::string_view text, std::string_view needle) {
  return UpperCase(text).find(UpperCase(needle)) != std::string::npos;
}

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

std::optional<std::int64_t> ParseDigits(std::string_view text, int base, bool allow_sign, bool* overflow) {
  if (overflow) *overflow = false;
  bool negative = false;
  if (allow_sign && !text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (char c : text) {
    const int d = DigitValue(c, base);
    if (d < 0) return std::nullopt;
    if (value > (kMax - d) / base) {
      // Keep checking the rest: a non-digit further on still means "no number".
      for (char rest : text) {
        if (DigitValue(rest, base) < 0) return std::nullopt;
      }
      if (overflow) *overflow = true;
      return std::nullopt;
    }
    value = value * base + d;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<std::int64_t> ParseDecimal(std::string_view text, bool* overflow) {
  return ParseDigits(text, 10, true, overflow);
}

std::optional<std::int64_t> ParseHex(std::string_view text, bool* overflow) {
  return ParseDigits(text, 16, false, overflow);
}

}  // namespace vantora

namespace vantora {

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  while (i + 2 < bytes.size()) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
    i += 3;
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string InternetDate(std::int64_t unix_time) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const auto t = static_cast<std::time_t>(unix_time);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace vantora
