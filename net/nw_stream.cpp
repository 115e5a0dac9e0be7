#include "net/nw_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/nw_exceptions.h"

namespace vantora {

std::int64_t TNwStream::Size() {
  const std::int64_t pos = Seek(0, TNwSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TNwSeekOrigin::soEnd);
  Seek(pos, TNwSeekOrigin::soBeginning);
  return size;
}

namespace {
std::int64_t Resolve(std::int64_t offset, TNwSeekOrigin origin, std::int64_t pos, std::int64_t size) {
  std::int64_t base = origin == TNwSeekOrigin::soBeginning ? 0 : origin == TNwSeekOrigin::soCurrent ? pos : size;
  return std::max<std::int64_t>(0, base + offset);
}
}  // namespace

std::int64_t TNwMemoryStream::Read(void* buffer, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(data_.size());
  if (count <= 0 || pos_ >= size) return 0;
  const std::int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<std::size_t>(n));
  pos_ += n;
  return n;
}

std::int64_t TNwMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (count > limit_ || pos_ > limit_ - count) {
    throw ENwLimitExceeded("Response body exceeds " + std::to_string(limit_) + " bytes.");
  }
  const auto end = static_cast<std::size_t>(pos_ + count);
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + pos_, buffer, static_cast<std::size_t>(count));
  pos_ += count;
  return count;
}

std::int64_t TNwMemoryStream::Seek(std::int64_t offset, TNwSeekOrigin origin) {
  pos_ = Resolve(offset, origin, pos_, static_cast<std::int64_t>(data_.size()));
  return pos_;
}

void TNwMemoryStream::SetSize(std::int64_t size) {
  if (size < 0 || size > limit_) {
    throw ENwLimitExceeded("Response body exceeds " + std::to_string(limit_) + " bytes.");
  }
  data_.resize(static_cast<std::size_t>(size));
  pos_ = std::min(pos_, size);
}

std::int64_t TNwNullStream::Write(const void*, std::int64_t count) {
  if (count <= 0) return 0;
  pos_ += count;
  size_ = std::max(size_, pos_);
  return count;
}

std::int64_t TNwNullStream::Seek(std::int64_t offset, TNwSeekOrigin origin) {
  pos_ = Resolve(offset, origin, pos_, size_);
  return pos_;
}

void TNwNullStream::SetSize(std::int64_t size) {
  size_ = std::max<std::int64_t>(0, size);
  pos_ = std::min(pos_, size_);
}

EFileOpenError::EFileOpenError(const std::string& path, int err)
    : std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(err)), err_(err) {}

TNwFileStream::TNwFileStream(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw EFileOpenError(path, errno);
  struct stat st {};
  // A folder opens for reading on Linux but yields no bytes; refuse it here,
  // where a missing file is refused, rather than mid-transfer.
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd_);
    fd_ = -1;
    throw EFileOpenError(path, err);
  }
}

TNwFileStream::~TNwFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

std::int64_t TNwFileStream::Read(void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::runtime_error("Read error on \"" + path_ + "\": " + std::strerror(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t TNwFileStream::Write(const void*, std::int64_t) {
  throw std::runtime_error("Stream write error");
}

std::int64_t TNwFileStream::Seek(std::int64_t offset, TNwSeekOrigin origin) {
  const int whence = origin == TNwSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TNwSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw std::runtime_error("Seek error on \"" + path_ + "\": " + std::strerror(errno));
  return r;
}

void TNwFileStream::SetSize(std::int64_t) { throw std::runtime_error("Stream write error"); }

}  // namespace vantora
