#include "app/photo_folder.h"

#include <unistd.h>

#include <QStandardPaths>
#include <filesystem>
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
  if (facts.programFolderWritable || facts.picturesFolder.empty()) return facts.programFolder;
  return UserPhotoFolder(facts.picturesFolder);
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
  // access() asks with the real user's rights, which are the ones a save
  // runs with; root passes it for any folder on a writable file system.
  facts.programFolderWritable = ::access(facts.programFolder.c_str(), W_OK | X_OK) == 0;
  facts.picturesFolder = UserPicturesFolder();
  return SettlePhotoFolder(facts);
}

}  // namespace vantora
