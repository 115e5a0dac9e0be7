#include "framework/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace vantora {

namespace {

constexpr mode_t kPrivateFileMode = 0600;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // close() can report a failed delayed write; the caller must see it.
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file) {
  throw std::system_error(errno, std::generic_category(), what + " " + file.string());
}

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& file) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("Cannot write", file);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Makes the rename itself durable; a failure here leaves a good file behind,
// so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
  FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::path target = file;
  std::error_code ec;
  if (std::filesystem::is_symlink(target, ec)) target = std::filesystem::canonical(target, ec);
  if (ec) target = file;

  // A name of its own for every write, made exclusively: two stations of
  // one user saving at once must not write into, truncate or rename away
  // each other's half-written file.
  std::string pattern = target.string() + ".tmp.XXXXXX";
  FileDescriptor out(::mkostemp(pattern.data(), O_CLOEXEC));
  const std::filesystem::path temp = pattern;
  if (out.get() < 0) Fail("Cannot create", temp);
  try {
    WriteAll(out.get(), bytes, temp);
    // The file holds the FTP password: only its owner may read it, whatever
    // mode an older copy (an export copied in) had.
    if (::fchmod(out.get(), kPrivateFileMode) != 0) Fail("Cannot set the mode of", temp);
    if (::fsync(out.get()) != 0) Fail("Cannot flush", temp);
    if (out.Close() != 0) Fail("Cannot write", temp);
    if (::rename(temp.c_str(), target.c_str()) != 0) Fail("Cannot replace", target);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  SyncFolder(target.parent_path());
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) Fail("Cannot open", file);
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) Fail("Cannot read", file);
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    Fail("Cannot read", file);
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read", file);
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace vantora
