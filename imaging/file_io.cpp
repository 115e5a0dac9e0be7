#include "imaging/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "imaging/graphics_errors.h"

namespace vantora {

namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the result: a failed close can mean lost data.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// Removes the temporary file unless it has become the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

std::string TemporaryName(const std::filesystem::path& folder, const std::string& base, unsigned long long salt) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", salt & 0xFFFFFFFFFFFFULL);
  // Keep within NAME_MAX even for a long target name.
  std::string name(1, '.');
  name.append(base, 0, 200);
  name.append(suffix);
  return (folder / name).string();
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename itself has already happened
  ::close(fd);
}

// The new file takes the old one's owner, group and mode bits before any
// byte goes in. Only a privileged process may give a file away, so a refused
// change (EPERM) leaves the new file the process's own; the owner is set
// first because a change of owner clears the set-id bits.
void KeepOwnerAndMode(int fd, const struct stat& old, const std::string& path) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno != EPERM) throw EFCreateError(path, errno);
    // A group the process belongs to may still be kept.
    if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM) throw EFCreateError(path, errno);
  }
  if (::fchmod(fd, old.st_mode & 07777) != 0) throw EFCreateError(path, errno);
}

}  // namespace

std::string RealFilePath(const std::string& path) {
  if (path.empty()) throw EFOpenError(path, ENOENT);
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) throw EFOpenError(path, errno);
  std::string real(resolved);
  std::free(resolved);
  return real;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t limit) {
  // Not blocking on open: a pipe without a writer would never let it return.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) throw EFOpenError(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw EFOpenError(path, errno);
  if (S_ISDIR(st.st_mode)) throw EFOpenError(path, EISDIR);
  // Only regular files hold pictures; a pipe or a device may never end.
  if (!S_ISREG(st.st_mode)) throw EFOpenError(path, EINVAL);
  if (static_cast<unsigned long long>(st.st_size) > limit) throw EFOpenError(path, EFBIG);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError(path, errno);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > limit) throw EFOpenError(path, EFBIG);
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty()) throw EFCreateError(path, ENOENT);
  const std::filesystem::path target(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string base = target.filename().string();
  if (base.empty() || base == "." || base == "..") throw EFCreateError(path, EISDIR);

  // An existing target that could not be replaced in place must not be
  // replaced by a rename either.
  struct stat st {};
  const bool replacing = ::stat(path.c_str(), &st) == 0;
  if (replacing) {
    if (S_ISDIR(st.st_mode)) throw EFCreateError(path, EISDIR);
    if (::access(path.c_str(), W_OK) != 0) throw EFCreateError(path, errno);
  }

  std::random_device entropy;
  int fd = -1;
  std::string tempPath;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    const unsigned long long salt = (static_cast<unsigned long long>(entropy()) << 20) ^ entropy() ^
                                    static_cast<unsigned long long>(::getpid());
    tempPath = TemporaryName(folder, base, salt);
    fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) throw EFCreateError(path, errno);
  }
  if (fd < 0) throw EFCreateError(path, EEXIST);
  UniqueFd file(fd);
  TemporaryFile temporary(tempPath);
  if (replacing && S_ISREG(st.st_mode)) KeepOwnerAndMode(file.get(), st, path);

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(file.get(), bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFCreateError(path, errno);
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(file.get()) != 0) throw EFCreateError(path, errno);
  if (file.Close() != 0) throw EFCreateError(path, errno);
  if (::rename(temporary.Path().c_str(), path.c_str()) != 0) throw EFCreateError(path, errno);
  temporary.Keep();
  SyncFolder(folder);
}

}  // namespace vantora
