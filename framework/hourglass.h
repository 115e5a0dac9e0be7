#pragma once

namespace vantora {

// The hourglass cursor over the whole program while a blocking transfer runs;
// the previous cursor comes back when the object goes, on every path.
class THourglass {
 public:
  THourglass();
  ~THourglass();
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;
};

}  // namespace vantora
