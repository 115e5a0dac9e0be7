#include "base/registry_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "base/whole_file.h"

namespace vantora {

namespace {
// Far above any settings file this station writes or an export copied in.
constexpr std::size_t kMaxSettingsFileBytes = 64u << 20;
}  // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(file_, kMaxSettingsFileBytes);
  } catch (const std::system_error& e) {
    if (e.code() != std::errc::no_such_file_or_directory) throw;
  }
  document_ = RegistryDocument::Parse(bytes, file_.string());
}

bool RegistryStore::CreateKey(const std::string& path) {
  if (document_.KeyExists(path)) return false;
  RegistryDocument changed = document_;
  changed.AddKey(path);
  Commit(std::move(changed));
  return true;
}

const RegValue* RegistryStore::QueryValue(std::string_view keyPath, std::string_view name) const {
  const RegKey* key = document_.FindKey(keyPath);
  return key == nullptr ? nullptr : FindValue(*key, name);
}

void RegistryStore::SetValue(const std::string& keyPath, const RegValue& value) { SetValues(keyPath, {value}); }

void RegistryStore::SetValues(const std::string& keyPath, const std::vector<RegValue>& values) {
  RegistryDocument changed = document_;
  RegKey* key = changed.FindKey(keyPath);
  if (key == nullptr) key = &changed.AddKey(keyPath);
  for (const RegValue& value : values) {
    if (RegValue* existing = FindValue(*key, value.name)) {
      existing->type = value.type;
      existing->data = value.data;
    } else {
      key->values.push_back(value);
    }
  }
  Commit(std::move(changed));
}

// The document in memory changes only once the file holds the change, so a
// failed write leaves both as they were.
void RegistryStore::Commit(RegistryDocument changed) {
  WriteWholeFile(file_, changed.Serialise(), TFileMode::kPrivate);
  document_ = std::move(changed);
}

std::filesystem::path SettingsFilePath() {
  if (const char* explicitFile = std::getenv("VANTORA_REGISTRY"); explicitFile && *explicitFile) {
    return explicitFile;
  }
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = std::filesystem::path(home) / ".config";
  } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
    config = std::filesystem::path(user->pw_dir) / ".config";
  } else {
    config = ".";
  }
  std::filesystem::path folder = config / "vantora";
  std::error_code ignored;  // a folder that cannot be made fails the first write instead
  std::filesystem::create_directories(folder, ignored);
  return folder / "registry.reg";
}

}  // namespace vantora
