#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "net/nw_limits.h"

// An ordered list of header lines "Name: value". Names compare without regard
// to letter case; lines beginning with a space or tab continue the line above.
namespace vantora {

class TNwHeaderList {
 public:
  explicit TNwHeaderList(std::size_t fold_length = kNwDefaultHeaderFoldLength) : fold_length_(fold_length) {}

  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  std::size_t Count() const { return lines_.size(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // The value of the first line with that name, continuation lines joined
  // with one space; empty when there is none.
  std::string Values(std::string_view name) const;
  // Every value given under that name, in order.
  std::vector<std::string> AllValues(std::string_view name) const;
  // Replaces the first line of that name in place (with its continuation
  // lines), appends one when there is none, removes it for an empty value.
  // A line longer than the fold length is folded onto continuation lines.
  void SetValue(std::string_view name, const std::string& value);

 private:
  std::size_t FindName(std::string_view name, std::size_t from) const;
  std::size_t ContinuationEnd(std::size_t index) const;
  std::string JoinedValue(std::size_t index) const;

  std::vector<std::string> lines_;
  std::size_t fold_length_;
};

// Splits `line` at spaces so that no piece exceeds `fold_length` where a
// space allows; every piece after the first begins with a space.
std::vector<std::string> FoldHeaderLine(const std::string& line, std::size_t fold_length);

}  // namespace vantora
