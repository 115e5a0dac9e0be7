#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/registry_document.h"

namespace vantora {

// The registry of the current user, kept in one registry-export file. It is
// read once when the store is made; every change is written to the file at
// once (atomically), as the registry would keep it, with every key and value
// the station does not know left as it was.
class RegistryStore {
 public:
  // A missing file is an empty registry. A file that cannot be read or parsed
  // throws (ESettingsFileError or std::system_error) and is never written.
  explicit RegistryStore(std::filesystem::path file);

  bool KeyExists(std::string_view path) const { return document_.KeyExists(path); }

  // Makes the key if it does not exist yet; true when it was made.
  bool CreateKey(const std::string& path);

  // Null when the key or the value does not exist.
  const RegValue* QueryValue(std::string_view keyPath, std::string_view name) const;

  // Stores the value (making the key if needed) and writes the file.
  void SetValue(const std::string& keyPath, const RegValue& value);

  // Stores the values under one key (making it if needed) and writes the
  // file once, so a reader finds all of them or none.
  void SetValues(const std::string& keyPath, const std::vector<RegValue>& values);

  const std::filesystem::path& File() const { return file_; }

 private:
  void Commit(RegistryDocument changed);

  std::filesystem::path file_;
  RegistryDocument document_;
};

// $VANTORA_REGISTRY when set, otherwise $XDG_CONFIG_HOME/vantora/registry.reg,
// otherwise ~/.config/vantora/registry.reg. The folder of the default places
// is made when missing.
std::filesystem::path SettingsFilePath();

}  // namespace vantora
