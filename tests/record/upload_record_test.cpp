// The upload record against the real SQLite library: what is pending after
// which saves and uploads, two stations at once, and the files it cannot use.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "record/upload_record.h"
#include "tests/framework/temp_dir.h"

namespace vantora::testing {
namespace {

namespace fs = std::filesystem;
using Kind = UploadVerdictKind;

constexpr UploadVerdict kSuccess{Kind::Success};
constexpr UploadVerdict kRefused{Kind::Refused};
constexpr UploadVerdict kNoAnswer{Kind::NoAnswer};
constexpr UploadVerdict kOther{Kind::Other};
constexpr UploadVerdict Status(int code) { return {Kind::ServerError, code}; }

struct Step {
  bool save;  // else an upload attempt
  const char* photo;
  UploadVerdict verdict = {};
};
Step Save(const char* photo) { return {true, photo}; }
Step Upload(const char* photo, UploadVerdict verdict) { return {false, photo, verdict}; }

struct Expected {
  const char* photo;
  std::optional<UploadVerdict> last;  // the last attempt since the save
  int savedAtStep;
};

struct PendingCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<Expected> pending;
};

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

TEST(UploadRecord, PendingIsSavedAndNotUploadedSinceThatSave) {
  const std::vector<PendingCase> cases = {
      {"a save is pending", {Save("a")}, {{"a", std::nullopt, 0}}},
      {"a success takes it off", {Save("a"), Upload("a", kSuccess)}, {}},
      {"saving again puts it back", {Save("a"), Upload("a", kSuccess), Save("a")}, {{"a", std::nullopt, 2}}},
      {"a failure after a success leaves it off", {Save("a"), Upload("a", kSuccess), Upload("a", kRefused)}, {}},
      {"failures keep it, the last one shown", {Save("a"), Upload("a", kRefused), Upload("a", Status(500))},
       {{"a", Status(500), 0}}},
      {"every failure kind is kept",
       {Save("a"), Save("b"), Save("c"), Save("d"), Upload("a", kRefused), Upload("b", kNoAnswer),
        Upload("c", Status(503)), Upload("d", kOther), Upload("e", kSuccess)},
       {{"a", kRefused, 0}, {"b", kNoAnswer, 1}, {"c", Status(503), 2}, {"d", kOther, 3}}},
      {"a failed upload of a photo saved while the record was away",
       {Upload("a", kNoAnswer)}, {{"a", kNoAnswer, 0}}},
      {"an older save's success does not count for the new save",
       {Save("a"), Save("a"), Upload("a", kRefused)}, {{"a", kRefused, 1}}},
  };
  for (const PendingCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path file = dir / "state" / "uploads.sqlite";
    auto photo = [&](const char* name) { return (dir / (std::string(name) + ".jpg")).string(); };
    {
      TUploadRecord record(file);
      ASSERT_TRUE(record.Available());
      for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        const RecordTime at = 1000 * static_cast<RecordTime>(i);
        if (s.save) {
          record.RecordSaved(std::string("ID-") + s.photo, photo(s.photo), at);
        } else {
          record.RecordAttempt(std::string("ID-") + s.photo, photo(s.photo), at + 1, s.verdict);
        }
      }
      EXPECT_FALSE(record.TakeNotice());
    }
    // A station started again finds the same list.
    TUploadRecord record(file);
    const std::vector<PendingPhoto> pending = record.Pending();
    EXPECT_EQ(record.PendingCount(), static_cast<int>(c.pending.size()));
    ASSERT_EQ(pending.size(), c.pending.size());
    for (std::size_t i = 0; i < pending.size(); ++i) {
      const Expected& e = c.pending[i];
      EXPECT_EQ(pending[i].number, std::string("ID-") + e.photo);
      EXPECT_EQ(pending[i].path, photo(e.photo));
      EXPECT_EQ(pending[i].savedAt, 1000 * e.savedAtStep + (c.steps[0].save ? 0 : 1));
      ASSERT_EQ(pending[i].lastAttempt.has_value(), e.last.has_value());
      if (e.last) {
        EXPECT_EQ(pending[i].lastAttempt->verdict, *e.last);
      }
    }
  }
}

// Two station processes of one user, writing at once: every save and every
// verdict arrives, and neither station's writes fail because of the other.
TEST(UploadRecord, TwoStationsWriteAtOnce) {
  TempDir dir;
  const fs::path file = dir / "uploads.sqlite";
  TUploadRecord(file).PendingCount();  // made before the race, as a first start would
  constexpr int kPhotos = 150;
  std::vector<pid_t> stations;
  for (const char* station : {"A", "B"}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      TUploadRecord record(file);
      for (int i = 0; i < kPhotos; ++i) {
        const std::string path = std::string(station) + std::to_string(i);
        record.RecordSaved(path, path, RecordNow());
        record.RecordAttempt(path, path, RecordNow(), i % 2 == 0 ? kRefused : kSuccess);
        record.PendingCount();
        // Still far faster than an operator, who saves a photo every few seconds.
        usleep(10'000);
      }
      const std::optional<UploadRecordNotice> notice = record.TakeNotice();
      if (notice) std::fprintf(stderr, "station %s: %s\n", station, notice->reason.c_str());
      _exit(notice ? 1 : 0);
    }
    stations.push_back(pid);
  }
  for (pid_t pid : stations) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a station's write failed";
  }
  TUploadRecord record(file);
  EXPECT_EQ(record.PendingCount(), kPhotos);  // the even half of each
  for (const PendingPhoto& p : record.Pending()) {
    EXPECT_EQ(p.lastAttempt->verdict, kRefused) << p.path;
  }
}

// A file that is not this record is kept under a new name and a new record
// starts; the operator hears of it once.
TEST(UploadRecord, ADamagedFileIsSetAsideAndANewRecordStarts) {
  const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> cases = {
      {"garbage", [](const fs::path& f) { Write(f, std::string(5000, 'x')); }},
      {"another program's database",
       [](const fs::path& f) {
         sqlite3* db = nullptr;
         sqlite3_open(f.c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep me');", nullptr, nullptr, nullptr);
         sqlite3_close(db);
       }},
      {"a record damaged inside",
       [](const fs::path& f) {
         {
           TUploadRecord record(f);
           for (int i = 0; i < 300; ++i) record.RecordSaved(std::to_string(i), std::string(100, 'p') + std::to_string(i), i);
         }
         std::string bytes = Read(f);
         ASSERT_GT(bytes.size(), 4u * 4096);
         bytes.replace(2 * 4096, 2 * 4096, std::string(2 * 4096, '\xff'));
         Write(f, bytes);
       }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    TempDir dir;
    const fs::path file = dir / "uploads.sqlite";
    make(file);
    const std::string damaged = Read(file);
    TUploadRecord record(file);
    ASSERT_TRUE(record.Available());
    const std::optional<UploadRecordNotice> notice = record.TakeNotice();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->kind, UploadRecordNotice::Kind::SetAside);
    EXPECT_EQ(fs::path(notice->file).parent_path(), dir.Path());
    EXPECT_TRUE(Read(notice->file) == damaged) << "the damaged file is kept as it was";
    EXPECT_FALSE(record.TakeNotice());
    EXPECT_EQ(record.PendingCount(), 0);
    record.RecordSaved("1", "1.jpg", 1);
    EXPECT_EQ(TUploadRecord(file).PendingCount(), 1);
  }
}

// A record that cannot be written: said once, and every call goes on quietly.
TEST(UploadRecord, ARecordThatCannotBeWrittenIsSaidOnce) {
  TempDir dir;
  const fs::path blocked = dir / "a-file";
  Write(blocked, "in the folder's way");
  const fs::path readOnly = dir / "read-only";
  const fs::path full = dir / "full";
  fs::create_directories(readOnly);
  fs::create_directories(full);
  if (mount("tmpfs", readOnly.c_str(), "tmpfs", MS_RDONLY, "size=1m") != 0 ||
      mount("tmpfs", full.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  {
    // Full after it was opened: the record takes what room is left.
    TUploadRecord record(full / "uploads.sqlite");
    ASSERT_TRUE(record.Available());
    std::ofstream filler(full / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  const std::vector<std::pair<const char*, fs::path>> cases = {
      {"a file where the folder would be", blocked / "vantora" / "uploads.sqlite"},
      {"a read-only folder", readOnly / "uploads.sqlite"},
      {"a full disk", full / "uploads.sqlite"},
  };
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    TUploadRecord record(file);
    for (int i = 0; i < 3; ++i) {
      record.RecordSaved("1", std::string(3000, 'p') + std::to_string(i), i);
      record.RecordAttempt("1", std::string(3000, 'q') + std::to_string(i), i, kRefused);
    }
    const std::optional<UploadRecordNotice> notice = record.TakeNotice();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->kind, UploadRecordNotice::Kind::Unavailable);
    EXPECT_FALSE(notice->reason.empty());
    EXPECT_FALSE(record.TakeNotice());
  }
  umount(readOnly.c_str());
  umount(full.c_str());
}

}  // namespace
}  // namespace vantora::testing
