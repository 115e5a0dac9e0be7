#include "app/photo_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "pub/pub.h"

namespace vantora {

std::string UserPhotoFolder(const std::string& picturesFolder) {
  if (picturesFolder.empty()) return {};
  std::string folder = picturesFolder;
  if (folder.back() != '/') folder += '/';
  return folder + "Vantora";
}

std::string DecidePhotoFolder(const PhotoFolderFacts& facts) {
  if (facts.storedIsDirectory) return facts.stored;
  if (facts.programFolderIsUsers || facts.picturesFolder.empty()) return facts.programFolder;
  return UserPhotoFolder(facts.picturesFolder);
}

bool ProgramFolderIsUsers(const std::string& folder, uid_t user) {
  static constexpr std::string_view kSystemTrees[] = {"/usr/", "/bin/", "/sbin/", "/lib/",
                                                      "/lib32/", "/lib64/", "/libx32/", "/opt/"};
  std::string inside = folder;
  if (inside.empty() || inside.back() != '/') inside += '/';
  for (std::string_view tree : kSystemTrees) {
    if (inside.starts_with(tree)) return false;
  }
  // Root never saves beside the program: its photos go where an operator's
  // would, not into whatever folder a root process happens to be able to write.
  if (user == 0) return false;
  struct stat info {};
  // access() asks with the real user's rights, which are the ones a save
  // runs with.
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string SettlePhotoFolder(const PhotoFolderFacts& facts) {
  const std::string folder = DecidePhotoFolder(facts);
  if (facts.storedIsDirectory || folder == facts.programFolder) return folder;
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  return IsExistingDirectory(folder) ? folder : facts.programFolder;
}

std::string UserPicturesFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
}

std::string PhotoFolderInUse(const std::string& storedPhotoPath) {
  PhotoFolderFacts facts;
  facts.stored = storedPhotoPath;
  facts.storedIsDirectory = IsExistingDirectory(storedPhotoPath);
  facts.programFolder = ProgramFolder();
  facts.programFolderIsUsers = ProgramFolderIsUsers(facts.programFolder, ::getuid());
  facts.picturesFolder = UserPicturesFolder();
  return SettlePhotoFolder(facts);
}

}  // namespace vantora
