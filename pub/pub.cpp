#include "pub/pub.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "base/registry_store.h"

namespace vantora {

TUserInfo UserInfo;

namespace {

// Set while the last LoadUserInfo failed; see SaveUserInfo.
bool lastLoadFailed = false;

constexpr char kRoot[] = "HKEY_CURRENT_USER";
constexpr char kInfo[] = "Info";

std::string Below(const std::string& parent, const std::string& name) { return parent + "\\" + name; }

// The key the five values live in, by the same steps the registry accessor
// takes: "software" when it exists (it is never made), else the root, and
// "Info" below it.
std::string InfoKeyPath(const RegistryStore& store) {
  const std::string software = Below(kRoot, "software");
  return Below(store.KeyExists(software) ? software : std::string(kRoot), kInfo);
}

// Makes the key on first use, as opening it through the registry does.
std::string OpenInfoKey(RegistryStore& store) {
  const std::string key = InfoKeyPath(store);
  try {
    store.CreateKey(key);
  } catch (const std::exception&) {
    throw ERegistryException(std::string("Failed to create key ") + kInfo);
  }
  return key;
}

std::string ReadText(const RegistryStore& store, const std::string& key, const std::string& name) {
  const RegValue* value = store.QueryValue(key, name);
  if (value == nullptr || value->data.empty()) return {};
  if (value->type != kRegSz && value->type != kRegExpandSz) {
    throw ERegistryException("Invalid data type for '" + name + "'");
  }
  return value->data.substr(0, value->data.find('\0'));
}

RegValue Text(const char* name, const std::string& text) { return RegValue{name, kRegSz, text + '\0'}; }

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
  const std::string key = InfoKeyPath(store);
  const bool keyIsNew = !store.KeyExists(key);
  // One write for the whole record: another station of the same user may
  // read the file at any moment, and must find one record, not a mix of two.
  try {
    store.SetValues(key, {Text("fip", info.fip), Text("fport", info.fport), Text("fuser", info.fuser),
                          Text("fpassword", info.fpassword), Text("PhotoPath", info.PhotoPath)});
  } catch (const std::exception&) {
    // The registry would have stopped at the key, or else at the first value.
    throw ERegistryException(keyIsNew ? std::string("Failed to create key ") + kInfo
                                      : std::string("Failed to set data for 'fip'"));
  }
  return true;
}

namespace {
constexpr char kFaceCheck[] = "FaceCheck";
}

bool LoadFaceCheck() {
  try {
    const RegistryStore store(SettingsFilePath());
    const RegValue* value = store.QueryValue(InfoKeyPath(store), kFaceCheck);
    if (value == nullptr || value->type != kRegDword || value->data.size() != 4) return true;
    return value->data != std::string(4, '\0');
  } catch (const std::exception&) {
    return true;
  }
}

void SaveFaceCheck(bool on) {
  const std::string dword{static_cast<char>(on ? 1 : 0), '\0', '\0', '\0'};
  try {
    RegistryStore store(SettingsFilePath());
    store.SetValue(InfoKeyPath(store), RegValue{kFaceCheck, kRegDword, dword});
  } catch (const std::exception&) {
    throw ERegistryException(std::string("Failed to set data for '") + kFaceCheck + "'");
  }
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
