#pragma once

#include <stdexcept>
#include <string>

namespace vantora {

// The settings record; the field names are the registry value names. `fuser`
// is both the FTP user name and the last saved ID number.
struct TUserInfo {
  std::string fip;
  std::string fport;
  std::string fuser;
  std::string fpassword;
  std::string PhotoPath;

  friend bool operator==(const TUserInfo&, const TUserInfo&) = default;
};

// The one settings record of the running program, empty until the main
// window is shown.
extern TUserInfo UserInfo;

// A registry step that failed: one of the four fixed texts, or the refusal
// to write the settings back after they could not be read at start.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the five values of HKEY_CURRENT_USER\software\Info, making the key
// when it is missing. A missing or empty value reads as empty text; a
// REG_EXPAND_SZ value is taken as written. Throws ERegistryException
// ("Invalid data type for 'fport'", ...) or the settings file's own error.
TUserInfo LoadUserInfo();

// Writes all five values as REG_SZ, in field order. Returns true when it
// returns at all; failures are thrown. After a LoadUserInfo that failed (a
// value of the wrong type, say) and until one succeeds, it refuses with an
// error: the record in memory is then empty, and writing it back would wipe
// the operator's FTP account and folder from the file.
bool SaveUserInfo(const TUserInfo& info);

// "人脸检查" under "设置": on unless the operator turned it off. A value of its
// own ("FaceCheck", REG_DWORD 0 or 1) beside the record, which older
// stations ignore, written only when the operator changes the item, so a
// station whose operator never does keeps its settings file as before. A
// value that cannot be read reads as on.
bool LoadFaceCheck();
void SaveFaceCheck(bool on);  // throws ERegistryException

// The folder of the program's own file, with its trailing separator.
std::string ProgramFolder();

// True when `path` names an existing directory.
bool IsExistingDirectory(const std::string& path);

// The photo folder in use: the stored one when it is an existing directory,
// otherwise the program's folder.
std::string ResolvePhotoPath(const std::string& storedPhotoPath);

}  // namespace vantora
