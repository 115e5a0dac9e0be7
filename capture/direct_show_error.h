#pragma once
// The errors of the capture classes: a failed platform result, and an
// interface request that was not answered.

#include <stdexcept>
#include <string>

#include "capture/platform/result_code.h"

namespace vantora {

class EDirectShowException : public std::runtime_error {
 public:
  EDirectShowException(const std::string& text, HRESULT code);
  HRESULT ErrorCode() const { return code_; }

 private:
  HRESULT code_;
};

// Raised where a member or the graph is asked for something it does not
// have (no device filter, an inactive graph).
class EIntfCastError : public std::runtime_error {
 public:
  EIntfCastError() : std::runtime_error("Interface not supported") {}
};

// The platform's text for the code, then " ($XXXXXXXX).".
std::string DirectShowMessage(const Result& result);

// Passes success codes through; raises EDirectShowException for failures.
HRESULT CheckResult(HRESULT code);
HRESULT CheckResult(const Result& result);

}  // namespace vantora
