#pragma once

#include <filesystem>
#include <string_view>

namespace vantora {

// Replaces `file` with `bytes` so that a reader sees either the old file or
// the new one, never a part, even while other processes write it too: the
// bytes go to a temporary file of this write's own beside it
// ("<file>.tmp.XXXXXX", made exclusively), are flushed to disk, and the
// temporary file is renamed over the old one; the last rename wins. Through
// a symbolic link the file it names is replaced and the link stays. The file
// is private (mode 0600) after every write. Throws std::system_error naming
// the file; the old file is then untouched.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The whole file. Throws std::system_error naming the file.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace vantora
