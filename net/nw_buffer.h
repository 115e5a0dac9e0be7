#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The connection's input buffer: bytes received and not yet consumed. Bytes
// are taken from the front without moving the rest each time.
namespace vantora {

class TNwManagedBuffer {
 public:
  std::size_t Size() const { return data_.size() - head_; }
  const char* Data() const { return data_.data() + head_; }
  std::string_view View() const { return {Data(), Size()}; }

  void Append(const char* bytes, std::size_t count) { data_.append(bytes, count); }
  void Clear() {
    data_.clear();
    head_ = 0;
  }
  // Drops `count` bytes from the front (at most what is held).
  void Remove(std::size_t count);
  // Takes `count` bytes from the front.
  std::string Extract(std::size_t count);

 private:
  std::string data_;
  std::size_t head_ = 0;
};

}  // namespace vantora
