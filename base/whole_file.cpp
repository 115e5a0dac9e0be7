#include "base/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

namespace vantora {

namespace {

namespace fs = std::filesystem;

// `what` is no std::string: building one before errno is read could change it.
[[noreturn]] void Fail(int error, const char* what, const fs::path& file) {
  throw std::system_error(error, std::generic_category(), std::string(what) + " " + file.string());
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A temporary file of this write's own beside the target, made exclusively:
// two stations of one user saving at once must not write into, truncate or
// rename away each other's half-written file. Removed unless it has become
// the target.
class TemporaryFile {
 public:
  TemporaryFile(const fs::path& target, mode_t mode) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      const unsigned long long salt = (static_cast<unsigned long long>(entropy()) << 20) ^ entropy() ^
                                      static_cast<unsigned long long>(::getpid());
      char suffix[32];
      std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", salt & 0xFFFFFFFFFFFFULL);
      // Hidden, and within NAME_MAX even for a long target name.
      path_ = target.parent_path() / ("." + target.filename().string().substr(0, 200) + suffix);
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) Fail(errno, "Cannot create", path_);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  int Descriptor() const { return fd_; }
  const fs::path& Path() const { return path_; }
  // close() can report a failed delayed write; the caller must see it.
  void Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) Fail(errno, "Cannot write", path_);
  }
  void Become(const fs::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) Fail(errno, "Cannot replace", target);
    path_.clear();
  }

 private:
  fs::path path_;
  int fd_ = -1;
};

// The one place links are resolved: the file itself, every link on the way
// followed, or the path as named when there is no such file yet.
fs::path WhereTheFileIs(const fs::path& file) {
  char* resolved = ::realpath(file.c_str(), nullptr);
  if (resolved == nullptr) return file;
  fs::path real(resolved);
  std::free(resolved);
  return real;
}

// The new file takes the old one's owner and group. Only a privileged
// process may give a file away, so a refused change (EPERM) leaves the new
// file the process's own. The mode comes after: a change of owner clears
// the set-id bits.
void KeepOwner(const TemporaryFile& temp, const struct stat& old) {
  const int fd = temp.Descriptor();
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno != EPERM) Fail(errno, "Cannot set the owner of", temp.Path());
    // A group the process belongs to may still be kept.
    if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM)
      Fail(errno, "Cannot set the owner of", temp.Path());
  }
}

void WriteAll(const TemporaryFile& temp, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(temp.Descriptor(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(errno, "Cannot write", temp.Path());
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Makes the rename itself durable; a failure here leaves a good file behind,
// so it is not reported.
void SyncFolder(const fs::path& folder) {
  FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

std::string ReadWholeFile(const fs::path& file, std::size_t limit) {
  // Not blocking on open: a pipe without a writer would never let it return.
  FileDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) Fail(errno, "Cannot open", file);
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) Fail(errno, "Cannot read", file);
  if (S_ISDIR(info.st_mode)) Fail(EISDIR, "Cannot read", file);
  if (!S_ISREG(info.st_mode)) Fail(EINVAL, "Cannot read", file);
  if (static_cast<unsigned long long>(info.st_size) > limit) Fail(EFBIG, "Cannot read", file);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(in.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno, "Cannot read", file);
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > limit) Fail(EFBIG, "Cannot read", file);
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

void WriteWholeFile(const fs::path& file, std::string_view bytes, TFileMode mode) {
  if (file.empty()) Fail(ENOENT, "Cannot create", file);
  const fs::path target = WhereTheFileIs(file);
  const std::string name = target.filename().string();
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (name.empty() || name == "." || name == ".." || (replacing && S_ISDIR(old.st_mode)))
    Fail(EISDIR, "Cannot replace", target);
  const bool keep = mode == TFileMode::kKeepTarget;
  // A file its owner made read-only must not be replaced by a rename either.
  if (keep && replacing && ::access(target.c_str(), W_OK) != 0) Fail(errno, "Cannot replace", target);

  const bool keepOld = keep && replacing && S_ISREG(old.st_mode);
  // Private while it is written; a new photo gets 0666 less the umask.
  TemporaryFile temp(target, keep && !keepOld ? 0666 : 0600);
  if (keepOld) KeepOwner(temp, old);
  WriteAll(temp, bytes);
  // After the bytes: a write by a process without the right to keep set-id
  // bits (an ordinary user's) clears them.
  if ((keepOld || !keep) && ::fchmod(temp.Descriptor(), keepOld ? old.st_mode & 07777 : 0600) != 0)
    Fail(errno, "Cannot set the mode of", temp.Path());
  if (::fsync(temp.Descriptor()) != 0) Fail(errno, "Cannot flush", temp.Path());
  temp.Close();
  temp.Become(target);
  SyncFolder(target.parent_path());
}

}  // namespace vantora
