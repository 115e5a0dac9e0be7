#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

namespace vantora {

// The silent stop: a handler throws it to end itself without a word (the
// refused overwrite of a photo, for one).
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// The application title: the task-bar text and the caption of the default
// error box.
inline constexpr char kApplicationTitle[] = "Vantora";

// The error's text with "." appended when its last byte sorts above "."
// (digits, letters, "?" and every multi-byte character do; "!" and "." do not).
std::string WithFinalPeriod(const std::string& text);

// The default error box: caption "Vantora", stop icon, one OK button.
void ShowDefaultErrorBox(const std::string& text);

// Shows what an escaping error deserves: nothing for EAbort, the default
// error box for the rest. Call it only inside a catch block.
void ReportCurrentException() noexcept;

// Runs one event handler. An error escaping it ends the handler there and is
// shown in the default error box; the program goes on. Every signal the
// windows connect runs its slot through this.
template <class F>
void Guarded(F&& handler) noexcept {
  try {
    std::forward<F>(handler)();
  } catch (...) {
    ReportCurrentException();
  }
}

// A slot for QObject::connect that runs `handler` through Guarded, passing on
// the signal's arguments.
template <class F>
auto GuardedSlot(F handler) {
  return [handler = std::move(handler)](auto&&... args) mutable {
    Guarded([&] { handler(std::forward<decltype(args)>(args)...); });
  };
}

// The class name of an error as the operator may read it: "EAbort" for
// vantora::EAbort, "runtime_error" for std::runtime_error.
std::string ErrorClassName(const std::exception& e);

}  // namespace vantora
