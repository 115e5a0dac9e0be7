#include "capture/platform/result_code.h"

#include <array>
#include <utility>

namespace vantora {

std::string ErrorText(HRESULT hr) {
  static constexpr std::array<std::pair<HRESULT, const char*>, 14> kTexts{{
      {S_OK, "No error."},
      {S_FALSE, "The operation completed with a false result."},
      {E_NOTIMPL, "Not implemented."},
      {E_NOINTERFACE, "No such interface supported."},
      {E_POINTER, "Invalid pointer."},
      {E_FAIL, "Unspecified error."},
      {E_UNEXPECTED, "Catastrophic failure."},
      {E_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
      {E_INVALIDARG, "The parameter is incorrect."},
      {VFW_E_NOT_CONNECTED, "The operation cannot be performed because the pins are not connected."},
      {VFW_E_RUNTIME_ERROR, "A run-time error occurred."},
      {VFW_E_NOT_FOUND, "An object or name was not found."},
      {VFW_E_CANNOT_CONNECT, "No combination of intermediate filters could be found to make the connection."},
      {VFW_E_WRONG_STATE, "The operation could not be performed because the filter is in the wrong state."},
  }};
  for (const auto& [code, text] : kTexts) {
    if (code == hr) return text;
  }
  return Failed(hr) ? "Unknown error." : "Success.";
}

}  // namespace vantora
