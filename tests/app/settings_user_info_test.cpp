#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "pub/pub.h"
#include "base/registry_document.h"
#include "tests/framework/temp_dir.h"

namespace vantora {
namespace {

using testing::ScopedEnv;
using testing::Slurp;
using testing::Spit;
using testing::TempDir;


std::string InfoFile(const std::string& values) {
  return "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n" + values + "\n";
}

// Each test gets its own settings file; a successful load first clears what
// an earlier failed load left behind.
class SettingsUserInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    ScopedEnv clean("VANTORA_REGISTRY", (dir / "clean.reg").c_str());
    LoadUserInfo();
  }

  std::filesystem::path File() const { return dir / "registry.reg"; }

  TempDir dir;
  ScopedEnv env{"VANTORA_REGISTRY", (dir / "registry.reg").c_str()};
};

TEST_F(SettingsUserInfo, FirstRunCreatesTheEmptyKeyAndLoadsEmptyFields) {
  EXPECT_EQ(LoadUserInfo(), TUserInfo{});
  EXPECT_EQ(Slurp(File()), InfoFile(""));
}

TEST_F(SettingsUserInfo, SavedFieldsLoadBackByteForByte) {
  TUserInfo info{"192.0.2.1", "21", "11010519491231002x", "pa\"ss\\word", "/srv/照片"};
  EXPECT_TRUE(SaveUserInfo(info));
  EXPECT_EQ(LoadUserInfo(), info);
  // An ID from the clipboard may carry a line break; the file must stay readable.
  info.fuser = "12\n34\r\t";
  SaveUserInfo(info);
  EXPECT_EQ(LoadUserInfo(), info);
}

TEST_F(SettingsUserInfo, ValuesAreReadByTheirStoredForms) {
  Spit(File(), InfoFile(
                   "\"FIP\"=\"10.1.1.1\"\n"
                   "\"fport\"=hex(4):\n"                            // size 0: empty, whatever its type
                   "\"fuser\"=hex(1):41,42\n"                       // no terminator
                   "\"fpassword\"=hex(1):70,00,71\n"                // up to the first zero
                   "\"PhotoPath\"=hex(2):25,48,4f,4d,45,25,00\n"));  // %HOME%, not expanded
  EXPECT_EQ(LoadUserInfo(), (TUserInfo{"10.1.1.1", "", "AB", "p", "%HOME%"}));
}

TEST_F(SettingsUserInfo, AValueOfAnotherTypeFailsTheLoadNamingIt) {
  for (const char* value : {"\"fport\"=dword:00000015", "\"PhotoPath\"=hex:01", "\"fip\"=hex(7):41,00,00"}) {
    Spit(File(), InfoFile(value));
    std::string name = std::string(value).substr(1, std::string(value).find('"', 1) - 1);
    try {
      LoadUserInfo();
      ADD_FAILURE() << value;
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + name + "'");
    }
  }
}

// After a failed load the record is empty; writing it back would wipe the
// account and folder that are still in the file.
TEST_F(SettingsUserInfo, NothingIsWrittenBackAfterAFailedLoad) {
  const std::string stored = InfoFile("\"fip\"=\"10.0.0.9\"\n\"fport\"=dword:00000015\n\"fpassword\"=\"secret\"");
  Spit(File(), stored);
  EXPECT_THROW(LoadUserInfo(), ERegistryException);
  EXPECT_THROW(SaveUserInfo(TUserInfo{}), ERegistryException);
  EXPECT_EQ(Slurp(File()), stored);

  Spit(File(), InfoFile("\"fpassword\"=\"secret\""));  // mended by hand
  EXPECT_EQ(LoadUserInfo().fpassword, "secret");
  EXPECT_TRUE(SaveUserInfo(TUserInfo{"1.2.3.4", "", "", "secret", ""}));
}

TEST_F(SettingsUserInfo, WritesKeepWhatTheStationDoesNotKnow) {
  Spit(File(),
       "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Vendor]\n\"x\"=dword:00000001\n\n"
       "[HKEY_CURRENT_USER\\software\\Info]\n\"Fip\"=\"old\"\n\"extra\"=hex:ff\n\n");
  SaveUserInfo(TUserInfo{"new", "21", "u", "p", "/tmp"});
  RegistryDocument doc = RegistryDocument::Parse(Slurp(File()), "written");
  const RegKey* vendor = doc.FindKey("HKEY_CURRENT_USER\\software\\Vendor");
  ASSERT_NE(vendor, nullptr);
  EXPECT_EQ(vendor->values.size(), 1u);
  const RegKey* info = doc.FindKey("HKEY_CURRENT_USER\\software\\Info");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->values.size(), 6u);  // "Fip" replaced in place, not doubled
  EXPECT_EQ(FindValue(*info, "fip")->data, std::string("new\0", 4));
  EXPECT_EQ(FindValue(*info, "extra")->data, "\xff");
}

TEST_F(SettingsUserInfo, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
  const std::string stored = InfoFile("\"fip\"=\"10.0.0.9\"\n\"fuser\"=\"123\"");
  Spit(File(), stored);
  try {
    testing::ScopedFileSizeLimit full(16);
    SaveUserInfo(TUserInfo{"a", "b", "c", "d", "e"});
    ADD_FAILURE() << "the write was reported as done";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to set data for 'fip'");
  }
  EXPECT_EQ(Slurp(File()), stored);
}

// An operator who starts the station twice: both save at once while a third
// process reads. No save fails, and every read finds one station's whole
// record, never a mix and never an empty file (which would load as empty
// settings, and the next save would wipe the FTP account).
TEST_F(SettingsUserInfo, TwoStationsSavingAtOnceLeaveOneWholeRecord) {
  const TUserInfo records[] = {{"10.0.0.1", "21", "111111", "pass-one", "/photos/one"},
                               {"10.0.0.2", "2121", "222222", "pass-two", "/photos/two"}};
  SaveUserInfo(records[0]);
  std::vector<pid_t> writers;
  for (const TUserInfo& record : records) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failed = 0;
      for (int i = 0; i < 500; ++i) {
        try {
          SaveUserInfo(record);
        } catch (...) {
          ++failed;
        }
      }
      ::_exit(failed == 0 ? 0 : 1);
    }
    writers.push_back(pid);
  }
  int reads = 0;
  int mixed = 0;
  std::vector<int> statuses;
  while (statuses.size() < writers.size()) {
    for (pid_t& pid : writers) {
      int status = 0;
      if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        statuses.push_back(status);
        pid = 0;
      }
    }
    const TUserInfo read = LoadUserInfo();
    ++reads;
    if (read != records[0] && read != records[1]) ++mixed;
  }
  for (int status : statuses) EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
  EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
}

TEST_F(SettingsUserInfo, AKeyThatCannotBeMadeFailsTheLoad) {
  ScopedEnv missing("VANTORA_REGISTRY", (dir / "no-such-folder" / "registry.reg").c_str());
  try {
    LoadUserInfo();
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to create key Info");
  }
}

TEST_F(SettingsUserInfo, ADamagedFileFailsSaveAndLoadAndStaysAsItWas) {
  const std::string damaged = InfoFile("\"fip\"=\"10.0.0.9\n");
  Spit(File(), damaged);
  for (auto attempt : {+[] { SaveUserInfo(TUserInfo{"a", "b", "c", "d", "e"}); }, +[] { LoadUserInfo(); }}) {
    try {
      attempt();
      ADD_FAILURE();
    } catch (const ESettingsFileError& e) {
      EXPECT_NE(std::string(e.what()).find(File().string() + ", line 4"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(SaveUserInfo(TUserInfo{}), ERegistryException);  // refused after the failed load
  EXPECT_EQ(Slurp(File()), damaged);
}

TEST_F(SettingsUserInfo, AnEmptyFileIsAFirstRun) {
  Spit(File(), "");
  EXPECT_EQ(LoadUserInfo(), TUserInfo{});
  EXPECT_EQ(Slurp(File()), InfoFile(""));
}

TEST_F(SettingsUserInfo, PhotoPathFallsBackToTheProgramFolder) {
  const std::string program = ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(program + "vantora_app_tests"));

  std::filesystem::create_directory(dir / "photos");
  Spit(dir / "a-file", "x");
  std::filesystem::create_directory(dir / "deleted");
  std::filesystem::remove(dir / "deleted");
  const std::pair<std::string, std::string> cases[] = {
      {(dir / "photos").string(), (dir / "photos").string()},
      {(dir / "photos").string() + "/", (dir / "photos").string() + "/"},
      {(dir / "a-file").string(), program},
      {(dir / "deleted").string(), program},
      {"", program},
      {"%USERPROFILE%\\photos", program},
      {"$HOME", program},
  };
  for (const auto& [stored, resolved] : cases) EXPECT_EQ(ResolvePhotoPath(stored), resolved) << stored;
}

}  // namespace
}  // namespace vantora
