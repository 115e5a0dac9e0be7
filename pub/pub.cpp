#include "pub/pub.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "framework/registry_store.h"

namespace vantora {

TUserInfo UserInfo;

namespace {

// Set while the last LoadUserInfo failed; see SaveUserInfo.
bool lastLoadFailed = false;

constexpr char kRoot[] = "HKEY_CURRENT_USER";
constexpr char kInfo[] = "Info";

std::string Below(const std::string& parent, const std::string& name) { return parent + "\\" + name; }

// Finds (and on first use makes) the key the five values live in, by the
// same steps the registry accessor takes: open "software" without making it,
// make "Info" below whatever is current, then open it. Returns the path of
// the key the values go to.
std::string OpenInfoKey(RegistryStore& store) {
  std::string current;  // empty: no current key, work from the root
  if (store.KeyExists(Below(kRoot, "software"))) current = Below(kRoot, "software");
  std::string parent = current.empty() ? std::string(kRoot) : current;
  try {
    store.CreateKey(Below(parent, kInfo));
  } catch (const std::exception&) {
    throw ERegistryException(std::string("Failed to create key ") + kInfo);
  }
  if (store.KeyExists(Below(parent, kInfo))) current = Below(parent, kInfo);
  return current.empty() ? std::string(kRoot) : current;
}

std::string ReadText(const RegistryStore& store, const std::string& key, const std::string& name) {
  const RegValue* value = store.QueryValue(key, name);
  if (value == nullptr || value->data.empty()) return {};
  if (value->type != kRegSz && value->type != kRegExpandSz) {
    throw ERegistryException("Invalid data type for '" + name + "'");
  }
  return value->data.substr(0, value->data.find('\0'));
}

void WriteText(RegistryStore& store, const std::string& key, const std::string& name, const std::string& text) {
  try {
    store.SetValue(key, RegValue{name, kRegSz, text + '\0'});
  } catch (const std::exception&) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

}  // namespace

TUserInfo LoadUserInfo() {
  lastLoadFailed = true;
  RegistryStore store(SettingsFilePath());
  std::string key = OpenInfoKey(store);
  TUserInfo info;
  info.fip = ReadText(store, key, "fip");
  info.fport = ReadText(store, key, "fport");
  info.fuser = ReadText(store, key, "fuser");
  info.fpassword = ReadText(store, key, "fpassword");
  info.PhotoPath = ReadText(store, key, "PhotoPath");
  lastLoadFailed = false;
  return info;
}

bool SaveUserInfo(const TUserInfo& info) {
  if (lastLoadFailed) {
    throw ERegistryException("The settings could not be read at start, so they are not written back");
  }
  RegistryStore store(SettingsFilePath());
  std::string key = OpenInfoKey(store);
  WriteText(store, key, "fip", info.fip);
  WriteText(store, key, "fport", info.fport);
  WriteText(store, key, "fuser", info.fuser);
  WriteText(store, key, "fpassword", info.fpassword);
  WriteText(store, key, "PhotoPath", info.PhotoPath);
  return true;
}

std::string ProgramFolder() {
  std::error_code ec;
  std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  if (ec || self.empty()) {
    self = std::filesystem::current_path(ec).string() + "/";
  }
  return self.substr(0, self.rfind('/') + 1);
}

bool IsExistingDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ResolvePhotoPath(const std::string& storedPhotoPath) {
  return IsExistingDirectory(storedPhotoPath) ? storedPhotoPath : ProgramFolder();
}

}  // namespace vantora
