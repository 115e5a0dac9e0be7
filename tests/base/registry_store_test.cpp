#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "base/whole_file.h"
#include "base/registry_store.h"
#include "tests/framework/temp_dir.h"

namespace vantora {
namespace {

using testing::ScopedEnv;
using testing::Slurp;
using testing::Spit;
using testing::TempDir;

constexpr char kInfo[] = "HKEY_CURRENT_USER\\software\\Info";


const std::string kForeign =
    "REGEDIT4\n\n"
    "[HKEY_CURRENT_USER\\software\\Other]\n"
    "\"keep\"=dword:00000007\n\n"
    "[HKEY_CURRENT_USER\\software\\Info]\n"
    "\"fip\"=\"1.1.1.1\"\n"
    "\"extra\"=hex:de,ad\n\n";

TEST(SettingsStore, MissingFileIsEmptyAndTheFirstKeyCreatesIt) {
  TempDir dir;
  RegistryStore store(dir / "registry.reg");
  EXPECT_FALSE(std::filesystem::exists(dir / "registry.reg"));
  EXPECT_TRUE(store.CreateKey(kInfo));
  EXPECT_FALSE(store.CreateKey("hkey_current_user\\SOFTWARE\\info"));
  EXPECT_EQ(Slurp(dir / "registry.reg"), "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n\n");
  struct stat info {};
  ASSERT_EQ(::stat((dir / "registry.reg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // it holds the FTP password
}

TEST(SettingsStore, KeysAndValuesItDoesNotKnowSurviveEveryWrite) {
  TempDir dir;
  Spit(dir / "registry.reg", kForeign);
  {
    RegistryStore store(dir / "registry.reg");
    store.SetValue(kInfo, RegValue{"FIP", kRegSz, std::string("2.2.2.2\0", 8)});
    store.SetValue(kInfo, RegValue{"fuser", kRegSz, std::string("u\0", 2)});
  }
  RegistryStore reread(dir / "registry.reg");
  EXPECT_EQ(reread.QueryValue("HKEY_CURRENT_USER\\software\\Other", "keep")->data, std::string("\7\0\0\0", 4));
  EXPECT_EQ(reread.QueryValue(kInfo, "extra")->data, "\xde\xad");
  EXPECT_EQ(reread.QueryValue(kInfo, "fip")->data, std::string("2.2.2.2\0", 8));
  EXPECT_EQ(reread.QueryValue(kInfo, "fip")->name, "fip");  // the stored spelling stays
  EXPECT_NE(reread.QueryValue(kInfo, "FUSER"), nullptr);
}

TEST(SettingsStore, AFailedWriteLeavesTheOldFileAndTheStoreAsTheyWere) {
  TempDir dir;
  Spit(dir / "registry.reg", kForeign);
  RegistryStore store(dir / "registry.reg");
  {
    testing::ScopedFileSizeLimit full(16);
    EXPECT_THROW(store.SetValue(kInfo, RegValue{"fip", kRegSz, std::string("9\0", 2)}), std::system_error);
    EXPECT_THROW(store.CreateKey("HKEY_CURRENT_USER\\software\\New"), std::system_error);
  }
  EXPECT_EQ(Slurp(dir / "registry.reg"), kForeign);
  EXPECT_EQ(store.QueryValue(kInfo, "fip")->data, std::string("1.1.1.1\0", 8));
  EXPECT_FALSE(store.KeyExists("HKEY_CURRENT_USER\\software\\New"));
  // No half-written temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SettingsStore, ADamagedFileIsReportedAndNeverWritten) {
  TempDir dir;
  const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\software\\Info]\n\"fip\"=\"cut off";
  Spit(dir / "registry.reg", damaged);
  try {
    RegistryStore store(dir / "registry.reg");
    FAIL() << "a damaged file was accepted";
  } catch (const ESettingsFileError& e) {
    EXPECT_NE(std::string(e.what()).find((dir / "registry.reg").string() + ", line 3"), std::string::npos);
  }
  EXPECT_EQ(Slurp(dir / "registry.reg"), damaged);
}

TEST(SettingsStore, AFolderInPlaceOfTheFileIsAnError) {
  TempDir dir;
  std::filesystem::create_directory(dir / "registry.reg");
  EXPECT_THROW(RegistryStore(dir / "registry.reg"), std::system_error);
  // Nor is a pipe waited on: without a writer it would never end the read.
  ASSERT_EQ(::mkfifo((dir / "pipe.reg").c_str(), 0600), 0);
  EXPECT_THROW(RegistryStore(dir / "pipe.reg"), std::system_error);
}

// The file holds the FTP password: private after every write, even over an
// export copied in readable for all.
TEST(SettingsStore, WritesMakeTheFilePrivateAndKeepALinkedFile) {
  TempDir dir;
  Spit(dir / "real.reg", kForeign);
  ::chmod((dir / "real.reg").c_str(), 0644);
  std::filesystem::create_symlink(dir / "real.reg", dir / "registry.reg");
  RegistryStore store(dir / "registry.reg");
  store.SetValue(kInfo, RegValue{"fip", kRegSz, std::string("3\0", 2)});
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "registry.reg"));
  EXPECT_NE(Slurp(dir / "real.reg").find("\"fip\"=\"3\""), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat((dir / "real.reg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsStore, AtomicWriteIntoAMissingFolderFailsCleanly) {
  TempDir dir;
  EXPECT_THROW(WriteWholeFile(dir / "no" / "such" / "file", "x", TFileMode::kPrivate), std::system_error);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(SettingsStore, LocationFollowsTheEnvironment) {
  TempDir dir;
  {
    ScopedEnv reg("VANTORA_REGISTRY", (dir / "explicit.reg").c_str());
    EXPECT_EQ(SettingsFilePath(), dir / "explicit.reg");
  }
  ScopedEnv reg("VANTORA_REGISTRY", nullptr);
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
    EXPECT_EQ(SettingsFilePath(), dir / "xdg" / "vantora" / "registry.reg");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "xdg" / "vantora"));
  }
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/path"}) {
    ScopedEnv unset("XDG_CONFIG_HOME", xdg);
    ScopedEnv home("HOME", (dir / "home").c_str());
    EXPECT_EQ(SettingsFilePath(), dir / "home" / ".config" / "vantora" / "registry.reg");
  }
}

}  // namespace
}  // namespace vantora
