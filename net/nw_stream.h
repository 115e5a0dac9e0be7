#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "net/nw_limits.h"

// Byte streams the network layer reads request bodies from and writes answer
// bodies to. Sizes and positions are 64-bit so large files stay exact.
namespace vantora {

enum class TNwSeekOrigin { soBeginning, soCurrent, soEnd };

class TNwStream {
 public:
  virtual ~TNwStream() = default;
  TNwStream() = default;
  TNwStream(const TNwStream&) = delete;
  TNwStream& operator=(const TNwStream&) = delete;

  // Returns the bytes delivered; fewer than asked only at the end.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Returns the bytes taken; raises when the stream cannot take them.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TNwSeekOrigin origin) = 0;
  virtual void SetSize(std::int64_t size) = 0;

  // Learned through seeks, as streams without a size of their own allow.
  virtual std::int64_t Size();
  std::int64_t Position() { return Seek(0, TNwSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, TNwSeekOrigin::soBeginning); }
};

// Bytes in memory, growing on write up to a fixed limit.
class TNwMemoryStream : public TNwStream {
 public:
  explicit TNwMemoryStream(std::int64_t limit = kNwMaxTextResponseBytes) : limit_(limit) {}
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TNwSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  const std::string& DataString() const { return data_; }

 private:
  std::string data_;
  std::int64_t pos_ = 0;
  std::int64_t limit_;
};

// Swallows every byte written; for bodies that are read only to be dropped.
class TNwNullStream : public TNwStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TNwSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return size_; }

 private:
  std::int64_t pos_ = 0;
  std::int64_t size_ = 0;
};

// The file system's refusal to open a file: the path and the system's reason.
class EFileOpenError : public std::runtime_error {
 public:
  EFileOpenError(const std::string& path, int err);
  int ErrorCode() const { return err_; }

 private:
  int err_;
};

// A regular file opened for reading.
class TNwFileStream : public TNwStream {
 public:
  explicit TNwFileStream(const std::string& path);
  ~TNwFileStream() override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TNwSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace vantora
