#include "capture/direct_show_error.h"

#include <cstdio>

namespace vantora {

EDirectShowException::EDirectShowException(const std::string& text, HRESULT code)
    : std::runtime_error(text), code_(code) {}

std::string DirectShowMessage(const Result& result) {
  char code[16];
  std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(result.code));
  return result.Text() + " ($" + code + ").";
}

HRESULT CheckResult(HRESULT code) { return CheckResult(Result(code)); }

HRESULT CheckResult(const Result& result) {
  if (result.Failed()) throw EDirectShowException(DirectShowMessage(result), result.code);
  return result.code;
}

}  // namespace vantora
