#pragma once

#include <string>

namespace vantora {

// The photos the FTP dialog sends are at most this many rows high.
inline constexpr int kMaxSentPhotoHeight = 303;

// Width of a W x H photo brought down to 303 rows: Round(W x 303 / H), the
// product formed exactly, halves to the even neighbour (453x606 gives 226).
int RescaledPhotoWidth(int width, int height);

// Rescales the named JPEG file to at most 303 rows (keeping its proportion)
// and writes it back under the same name as a fresh JPEG with the fixed
// settings; a photo of 303 rows or fewer is re-encoded at its own size.
// The file is replaced whole or not at all: a file that cannot be read or
// decoded, or a write that fails, leaves the original as it was. Every
// failure is raised to the caller.
void ResizeJpegInPlace(const std::string& fileName);

}  // namespace vantora
