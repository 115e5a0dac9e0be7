#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantora {

// Appends the UTF-8 form of UTF-16LE `bytes` to `out`. On an odd byte count or
// an unpaired surrogate it stops there and returns the byte offset of the
// fault; what was converted before it stays in `out`.
std::optional<std::size_t> AppendUtf16LeAsUtf8(std::string_view bytes, std::string& out);

}  // namespace vantora
