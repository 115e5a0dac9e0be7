#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <sstream>

#include "app/command_line.h"
#include "app/display_platform.h"
#include "app/photo_folder.h"
#include "tests/framework/temp_dir.h"

namespace vantora {
namespace {

using testing::ScopedEnv;
using testing::Spit;
using testing::TempDir;

// ---- the photo folder of an installed program ------------------------------

TEST(PhotoFolderChoice, StoredFolderThenWritableProgramFolderThenThePicturesFolder) {
  struct Case {
    const char* what;
    PhotoFolderFacts facts;
    const char* expected;
  };
  const Case cases[] = {
      {"stored folder exists, program folder writable",
       {"/srv/photos", true, "/opt/vantora/", true, "/home/op/Pictures"}, "/srv/photos"},
      {"stored folder exists, program folder not writable",
       {"/srv/photos", true, "/usr/bin/", false, "/home/op/Pictures"}, "/srv/photos"},
      {"nothing stored, program folder writable (the design's fallback)",
       {"", false, "/opt/vantora/", true, "/home/op/Pictures"}, "/opt/vantora/"},
      {"nothing stored, installed in /usr/bin",
       {"", false, "/usr/bin/", false, "/home/op/Pictures"}, "/home/op/Pictures/Vantora"},
      {"stored folder deleted, program folder writable",
       {"/srv/gone", false, "/opt/vantora/", true, "/home/op/Pictures"}, "/opt/vantora/"},
      {"stored folder deleted, installed in /usr/bin",
       {"/srv/gone", false, "/usr/bin/", false, "/home/op/Pictures"}, "/home/op/Pictures/Vantora"},
      {"pictures folder given with its slash",
       {"", false, "/usr/bin/", false, "/home/op/图片/"}, "/home/op/图片/Vantora"},
      {"no pictures folder known: the program's folder stays",
       {"", false, "/usr/bin/", false, ""}, "/usr/bin/"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecidePhotoFolder(c.facts), c.expected) << c.what;
}

// Root may write into /usr/bin, but an installed station's photos belong in
// the user's pictures folder all the same; root's always do. A folder the
// user may write keeps them, whoever owns it.
TEST(PhotoFolderChoice, AWritableFolderOutsideTheSystemTreesKeepsThePhotosExceptRoots) {
  TempDir dir;
  // Tests may run as root: the rule for an ordinary user is asked for one.
  const uid_t user = ::getuid() == 0 ? 1000 : ::getuid();
  const struct {
    std::string folder;
    uid_t user;
    bool expected;
  } cases[] = {
      {dir.Path().string() + "/", user, true},  // a build folder
      {dir.Path().string(), user, true},
      {dir.Path().string() + "/", user + 1, true},  // a shared writable folder the user does not own
      {dir.Path().string() + "/", 0, false},        // root keeps the pictures folder
      {(dir / "missing").string(), user, false},
      {"/usr/bin/", 0, false},
      {"/usr/local/bin/", user, false},
      {"/bin/", 0, false},
      {"/opt/", user, false},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolderIsUsers(c.folder, c.user), c.expected) << c.folder << " " << c.user;
}

TEST(PhotoFolderChoice, ThePerUserFolderIsMadeWhenItIsChosen) {
  TempDir dir;
  const std::string pictures = (dir / "home" / "Pictures").string();
  const std::string made = SettlePhotoFolder({"", false, "/usr/bin/", false, pictures});
  EXPECT_EQ(made, pictures + "/Vantora");
  EXPECT_TRUE(std::filesystem::is_directory(made));

  // A stored folder the operator chose earlier and then deleted is not
  // made again behind the operator's back; the per-user folder is used.
  const std::string gone = (dir / "gone").string();
  EXPECT_EQ(SettlePhotoFolder({gone, false, "/usr/bin/", false, pictures}), pictures + "/Vantora");
  EXPECT_FALSE(std::filesystem::exists(gone));
}

TEST(PhotoFolderChoice, AFolderThatCannotBeMadeLeavesTheProgramFolder) {
  TempDir dir;
  Spit(dir / "Pictures", "a file where the folder would be");
  const std::string pictures = (dir / "Pictures").string();
  EXPECT_EQ(SettlePhotoFolder({"", false, "/usr/bin/", false, pictures}), "/usr/bin/");
}

TEST(PhotoFolderChoice, AWritableProgramFolderMakesNothing) {
  TempDir dir;
  const std::string pictures = (dir / "Pictures").string();
  EXPECT_EQ(SettlePhotoFolder({"", false, "/opt/vantora/", true, pictures}), "/opt/vantora/");
  EXPECT_FALSE(std::filesystem::exists(pictures));
}

TEST(PhotoFolderChoice, ThePicturesFolderIsTheOneTheDesktopNames) {
  TempDir home;
  std::filesystem::create_directories(home / ".config");
  Spit(home / ".config" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/图片\"\n");
  ScopedEnv homeEnv("HOME", home.Path().c_str());
  ScopedEnv configEnv("XDG_CONFIG_HOME", (home / ".config").c_str());
  EXPECT_EQ(UserPicturesFolder(), (home / "图片").string());

  std::filesystem::remove(home / ".config" / "user-dirs.dirs");
  EXPECT_EQ(UserPicturesFolder(), (home / "Pictures").string());
}

// ---- the Qt platform in a Wayland session ------------------------------------

EnvironmentLookup Environment(std::map<std::string, std::string> values) {
  return [values](const std::string& name) -> std::optional<std::string> {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  };
}

// X11 first, for the clipboard; native Wayland when the X display cannot be
// reached (tests/smoke/wayland_fallback.sh runs the station that way).
TEST(QtPlatformChoice, XwaylandInAWaylandSessionUnlessTheOperatorChose) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> environment;
    const char* expected;
  };
  const Case cases[] = {
      {"GNOME on Wayland with Xwayland",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"},
        {"XDG_CURRENT_DESKTOP", "GNOME"}},
       "xcb;wayland"},
      {"KDE Plasma on Wayland with Xwayland",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"},
        {"XDG_CURRENT_DESKTOP", "KDE"}},
       "xcb;wayland"},
      {"sway with Xwayland, no session type",
       {{"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "sway"}}, "xcb;wayland"},
      {"session type wayland, compositor socket not exported",
       {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, "xcb;wayland"},
      {"Wayland without Xwayland: nothing better than native",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_SESSION_TYPE", "wayland"}}, ""},
      {"Wayland with an empty DISPLAY", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}, ""},
      {"explicit wayland wins", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
       ""},
      {"explicit offscreen wins",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"}}, ""},
      {"an empty QT_QPA_PLATFORM is no choice",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}}, "xcb;wayland"},
      {"X11 session: left to Qt", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, ""},
      {"X11 session with an empty WAYLAND_DISPLAY", {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}, ""},
      {"tty, no display at all", {{"XDG_SESSION_TYPE", "tty"}}, ""},
      {"empty environment", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseQtPlatform(Environment(c.environment)), c.expected) << c.what;
}

TEST(QtPlatformChoice, TheChoiceReachesTheEnvironmentAndAnExplicitOneStays) {
  ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0");
  ScopedEnv display("DISPLAY", ":0");
  {
    ScopedEnv unset("QT_QPA_PLATFORM", nullptr);
    ApplyQtPlatformChoice();
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "xcb;wayland");
  }
  ScopedEnv explicitChoice("QT_QPA_PLATFORM", "wayland");
  ApplyQtPlatformChoice();
  EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "wayland");
}

// ---- --help and --version ----------------------------------------------------

TEST(CommandLine, HelpAndVersionAnswerAndEveryOtherArgumentGoesToQt) {
  struct Case {
    std::vector<const char*> argv;
    std::optional<int> status;
    const char* startOfOutput;
  };
  const Case cases[] = {
      {{"vantora", "--help"}, 0, "Usage: vantora\n"},
      {{"vantora", "-h"}, 0, "Usage: vantora\n"},
      {{"vantora", "--version"}, 0, "Vantora 2014.6.20\nupload server "},
      {{"vantora"}, std::nullopt, ""},
      {{"vantora", "-platform", "xcb"}, std::nullopt, ""},
      {{"vantora", "--helpful"}, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    EXPECT_EQ(AnswerInformationOption(static_cast<int>(c.argv.size()), c.argv.data(), out), c.status) << c.argv.back();
    EXPECT_EQ(out.str().substr(0, std::string(c.startOfOutput).size()), c.startOfOutput) << c.argv.back();
    if (c.status) {
      EXPECT_EQ(out.str().back(), '\n');
    }
  }
}

}  // namespace
}  // namespace vantora
