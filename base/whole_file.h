#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vantora {

// Who may read the file a write leaves behind.
enum class TFileMode {
  // A replaced file keeps its mode bits and, where the process may set them,
  // its owner and group; a new one gets 0666 less the umask. A file its
  // owner has made read-only is refused rather than replaced by a rename.
  kKeepTarget,
  // Only the owner may read it (0600) after every write, whatever mode an
  // older copy had: the settings file holds the FTP password.
  kPrivate,
};

// The whole file. Refuses what is not a regular file (a folder; a pipe or a
// device, which might never end a read; a pipe is not even waited on to be
// opened) and a file larger than `limit` bytes. Throws std::system_error
// naming the file.
std::string ReadWholeFile(const std::filesystem::path& file, std::size_t limit);

// Replaces `file` with `bytes` so that a reader sees either the old file or
// the new one, never a part, even while other processes write it too: the
// bytes go to a temporary file of this write's own beside it (made
// exclusively), are flushed to disk, and the temporary file is renamed over
// the old one; the last rename wins. Through symbolic links the file they
// lead to is replaced and the links stay. Throws std::system_error naming
// the file; the old file is then untouched and no temporary file is left.
void WriteWholeFile(const std::filesystem::path& file, std::string_view bytes, TFileMode mode);

}  // namespace vantora
