#pragma once

#include <sys/types.h>

#include <string>

namespace vantora {

// What the choice of the photo folder depends on, gathered once at show time.
struct PhotoFolderFacts {
  std::string stored;                  // the settings' PhotoPath, as stored
  bool storedIsDirectory = false;      // it names an existing directory
  std::string programFolder;           // the program's own folder, with its trailing "/"
  bool programFolderIsUsers = false;   // photos may go there: see ProgramFolderIsUsers
  std::string picturesFolder;          // the user's pictures folder (XDG), may be empty
};

// The folder photos go to. The stored folder when it exists; otherwise the
// program's own folder, as the design has it, when the user may write there
// (a build folder, a copy in the home or a site's shared folder). An installed
// program lives in /usr/bin: a user cannot write there, and root could, but
// photos have no place among the system's programs, so there the per-user
// folder "<pictures>/Vantora" is used instead. With no pictures folder known
// the program's folder stays.
std::string DecidePhotoFolder(const PhotoFolderFacts& facts);

// True when photos of `user` may go into `folder`: the process may write
// into it (a shared folder of a site counts, whoever owns it), it lies
// outside the trees the system's packages install into (/usr, /bin, /sbin,
// /lib*, /opt), and the user is not root, who could write anywhere.
bool ProgramFolderIsUsers(const std::string& folder, uid_t user);

// The per-user folder the decision falls back to ("<pictures>/Vantora").
std::string UserPhotoFolder(const std::string& picturesFolder);

// Decides, and makes the per-user folder when that is the one chosen. When
// it cannot be made the program's folder stays, and a save there reports its
// failure as any failed save does.
std::string SettlePhotoFolder(const PhotoFolderFacts& facts);

// The user's pictures folder as the desktop names it (XDG_PICTURES_DIR in
// user-dirs.dirs, "~/图片" on a Chinese desktop), else ~/Pictures.
std::string UserPicturesFolder();

// The photo folder in use at show time: the facts for the stored folder,
// gathered from the file system and the user's folders, then settled.
std::string PhotoFolderInUse(const std::string& storedPhotoPath);

}  // namespace vantora
