#pragma once
// Result codes of the capture platform: 32-bit values whose top bit marks a
// failure, each with a text an operator can read.

#include <cstdint>
#include <string>

namespace vantora {

using HRESULT = std::int32_t;

constexpr HRESULT MakeHResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209u);
inline constexpr HRESULT VFW_E_RUNTIME_ERROR = MakeHResult(0x8004020Bu);
inline constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216u);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217u);
inline constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227u);

constexpr bool Failed(HRESULT hr) { return hr < 0; }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }

// The platform's text for a code; unknown codes get a generic text.
std::string ErrorText(HRESULT hr);

// What a platform operation reports: the code, and when GStreamer said more
// about a failure (a device path, a negotiation problem) its own words, which
// then stand in for the code's generic text.
struct Result {
  Result(HRESULT c = S_OK) : code(c) {}  // NOLINT(google-explicit-constructor)
  Result(HRESULT c, std::string d) : code(c), detail(std::move(d)) {}
  HRESULT code;
  std::string detail;

  bool Failed() const { return vantora::Failed(code); }
  std::string Text() const { return detail.empty() ? ErrorText(code) : detail; }
};

}  // namespace vantora
