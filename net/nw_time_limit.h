#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

// How long the network layer may wait, in one type. A wait is either without
// limit or bounded by a number of milliseconds (0: do not wait at all); an
// exchange's deadline is a point in time that every wait of that exchange
// ends by. No integer stands for "no limit" anywhere else.
namespace vantora {

class TNwTimeLimit {
 public:
  // Waits as long as it takes.
  static constexpr TNwTimeLimit Unlimited() { return TNwTimeLimit(-1); }
  // Waits at most `ms` milliseconds; a negative count is taken as 0.
  static constexpr TNwTimeLimit Milliseconds(std::int64_t ms) { return TNwTimeLimit(ms < 0 ? 0 : ms); }

  constexpr bool IsUnlimited() const { return ms_ < 0; }
  // The bound in milliseconds; only meaningful when limited.
  constexpr std::int64_t Ms() const { return ms_ < 0 ? 0 : ms_; }
  // The bound as poll() takes it: -1 without limit.
  constexpr int PollMs() const {
    return ms_ < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(ms_, 0x7fffffff));
  }
  // The shorter of two limits.
  static constexpr TNwTimeLimit Shorter(TNwTimeLimit a, TNwTimeLimit b) {
    if (a.IsUnlimited()) return b;
    if (b.IsUnlimited()) return a;
    return a.ms_ <= b.ms_ ? a : b;
  }
  constexpr bool operator==(const TNwTimeLimit&) const = default;

 private:
  constexpr explicit TNwTimeLimit(std::int64_t ms) : ms_(ms) {}
  std::int64_t ms_;
};

// The end of an exchange: never, or a point on the monotonic clock.
class TNwDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  static TNwDeadline Never() { return TNwDeadline(); }
  // Now plus the limit; an unlimited limit gives Never().
  static TNwDeadline After(TNwTimeLimit limit) {
    if (limit.IsUnlimited()) return Never();
    return TNwDeadline(Clock::now() + std::chrono::milliseconds(limit.Ms()));
  }
  // The earlier of two deadlines.
  static TNwDeadline Earlier(const TNwDeadline& a, const TNwDeadline& b) {
    if (a.never_) return b;
    if (b.never_) return a;
    return a.at_ <= b.at_ ? a : b;
  }

  bool IsNever() const { return never_; }
  // What is left of it, rounded up to whole milliseconds; 0 once passed.
  TNwTimeLimit Remaining() const {
    if (never_) return TNwTimeLimit::Unlimited();
    const auto left = at_ - Clock::now();
    if (left <= Clock::duration::zero()) return TNwTimeLimit::Milliseconds(0);
    return TNwTimeLimit::Milliseconds(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  }
  bool Passed() const { return !never_ && Clock::now() >= at_; }

 private:
  TNwDeadline() = default;
  explicit TNwDeadline(Clock::time_point at) : never_(false), at_(at) {}
  bool never_ = true;
  Clock::time_point at_{};
};

}  // namespace vantora
