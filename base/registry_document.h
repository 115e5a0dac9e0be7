#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantora {

// Value types as the registry numbers them; a file may carry any other
// number through "hex(N):", and such values are kept as they are.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// A value as the registry holds it: its data are raw bytes (a text value
// carries its terminating zero byte). The empty name is the key's default.
struct RegValue {
  std::string name;
  std::uint32_t type = kRegSz;
  std::string data;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

struct RegKey {
  std::string path;  // full path, e.g. HKEY_CURRENT_USER\software\Info
  std::vector<RegValue> values;

  friend bool operator==(const RegKey&, const RegKey&) = default;
};

// A settings file that cannot be understood. The message names the file and
// the line, so the operator can mend it by hand.
class ESettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool SameRegistryName(std::string_view a, std::string_view b);

// The keys and values of one registry-export file, in file order. Names
// compare without regard to ASCII case, as the registry does.
class RegistryDocument {
 public:
  // Reads "REGEDIT4" files (bytes as they stand) and "Windows Registry
  // Editor Version 5.00" files (UTF-16LE, converted to UTF-8). Empty input is
  // an empty registry. `source` names the file in error messages.
  static RegistryDocument Parse(std::string_view bytes, const std::string& source);

  // Always REGEDIT4 in UTF-8; Parse(Serialise()) gives the same document.
  std::string Serialise() const;

  // True for stored keys, their parents, the root hives and
  // HKEY_CURRENT_USER\software, which the registry always has.
  bool KeyExists(std::string_view path) const;

  const RegKey* FindKey(std::string_view path) const;
  RegKey* FindKey(std::string_view path);
  RegKey& AddKey(const std::string& path);  // appends; the key must not be stored yet
  void RemoveKeyTree(std::string_view path);

  const std::vector<RegKey>& Keys() const { return keys_; }

  friend bool operator==(const RegistryDocument&, const RegistryDocument&) = default;

 private:
  std::vector<RegKey> keys_;
};

const RegValue* FindValue(const RegKey& key, std::string_view name);
RegValue* FindValue(RegKey& key, std::string_view name);

}  // namespace vantora
