#pragma once

#include <filesystem>
#include <string_view>

namespace vantora {

// Replaces `file` with `bytes` so that a reader sees either the old file or
// the new one, never a part: the bytes go to "<file>.tmp" beside it, are
// flushed to disk, and the temporary file is renamed over the old one. A new
// file gets mode 0600; a replaced one keeps its mode. Throws
// std::system_error naming the file; the old file is then untouched.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The whole file. Throws std::system_error naming the file.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace vantora
