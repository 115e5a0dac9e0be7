#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantora::testing {

// One marker segment of a JPEG stream: the marker byte and its payload
// (without the length field). Entropy-coded data after SOS is skipped.
struct Segment {
  std::uint8_t marker = 0;
  std::vector<std::uint8_t> payload;
  std::size_t offset = 0;  // of the 0xFF byte
  std::size_t end = 0;     // one past the segment, scan data included for SOS
};

inline std::vector<Segment> ParseSegments(const std::vector<std::uint8_t>& b) {
  std::vector<Segment> out;
  std::size_t i = 0;
  while (i + 1 < b.size()) {
    if (b[i] != 0xFF) return out;
    Segment s;
    s.offset = i;
    s.marker = b[i + 1];
    i += 2;
    if (s.marker == 0xD8 || s.marker == 0xD9) {
      s.end = i;
      out.push_back(s);
      if (s.marker == 0xD9) return out;
      continue;
    }
    if (i + 2 > b.size()) return out;
    const std::size_t length = (static_cast<std::size_t>(b[i]) << 8) | b[i + 1];
    if (length < 2 || i + length > b.size()) return out;
    s.payload.assign(b.begin() + static_cast<std::ptrdiff_t>(i + 2), b.begin() + static_cast<std::ptrdiff_t>(i + length));
    i += length;
    if (s.marker == 0xDA) {  // entropy data runs to the next marker that is not stuffing or a restart
      while (i + 1 < b.size() && !(b[i] == 0xFF && b[i + 1] != 0x00 && (b[i + 1] < 0xD0 || b[i + 1] > 0xD7))) ++i;
    }
    s.end = i;
    out.push_back(s);
  }
  return out;
}

}  // namespace vantora::testing
