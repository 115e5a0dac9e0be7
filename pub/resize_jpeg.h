#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantora {

// The photos the FTP dialog sends are at most this many rows high.
inline constexpr int kMaxSentPhotoHeight = 303;

// Width of a W x H photo brought down to 303 rows: Round(W x 303 / H), the
// product formed exactly, halves to the even neighbour (453x606 gives 226),
// and never less than one column (a 1x700 picture stays 1 wide).
int RescaledPhotoWidth(int width, int height);

// Rescales the named JPEG file to at most 303 rows (keeping its proportion)
// and writes it back as a fresh JPEG with the fixed settings; a photo of 303
// rows or fewer is re-encoded at its own size. Returns the bytes written, so
// a caller that sends the photo on need not open the path again.
//
// The file is rewritten where it really is: through a symbolic link the
// file it leads to is replaced and the link stays as it was; the file keeps
// its mode bits and, where the process may set them, its owner and group.
// It is replaced whole or not at all: a file that cannot be read, a picture
// whose data ends early, an encoding that gives no bytes, or a write that
// fails (no right to write there, a full disk) leaves the file byte for byte
// as it was. Every failure is raised to the caller.
std::vector<std::uint8_t> ResizeJpegInPlace(const std::string& fileName);

}  // namespace vantora
