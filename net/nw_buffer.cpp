#include "net/nw_buffer.h"

#include <algorithm>

namespace vantora {

void TNwManagedBuffer::Remove(std::size_t count) {
  head_ += std::min(count, Size());
  if (head_ == data_.size()) {
    Clear();
  } else if (head_ > 65536 && head_ * 2 > data_.size()) {
    // Compact once the consumed front outweighs what is left.
    data_.erase(0, head_);
    head_ = 0;
  }
}

std::string TNwManagedBuffer::Extract(std::size_t count) {
  count = std::min(count, Size());
  std::string out(Data(), count);
  Remove(count);
  return out;
}

}  // namespace vantora
