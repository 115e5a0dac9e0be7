#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora {

// The whole file; EFOpenError when it cannot be opened or read, when it is
// not a regular file (a pipe or a device might never end a read), or when it
// is larger than limit bytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t limit);

// Replaces the file with exactly these bytes, or leaves it as it was: the
// bytes go to a temporary file in the same folder, are flushed to disk and
// only then renamed over the target. A file replaced keeps its mode bits and,
// where the process may set them, its owner and group. EFCreateError on any
// failure, after which no temporary file is left behind.
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// The path of the file itself, with every symbolic link on the way
// resolved, for rewriting a file where it really is rather than putting a
// new file in place of a link. EFOpenError when it cannot be resolved (a
// missing file, a link that leads nowhere).
std::string RealFilePath(const std::string& path);

}  // namespace vantora
