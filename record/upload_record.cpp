#include "record/upload_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <system_error>
#include <thread>

namespace vantora {

namespace fs = std::filesystem;

namespace {

// Marks the file as this record, so a database of some other program that
// happens to lie at the place is set aside rather than written into.
constexpr std::int64_t kApplicationId = 0x56544e52;  // "VTNR"

// A second station holds the write lock only for one short transaction;
// longer than this and the GUI would seem stuck, so the write gives up.
constexpr int kBusyTimeoutMs = 2000;

constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS saves(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  number TEXT NOT NULL,
  path TEXT NOT NULL,
  saved_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS saves_by_path ON saves(path, id);
CREATE TABLE IF NOT EXISTS attempts(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  save_id INTEGER NOT NULL REFERENCES saves(id),
  at INTEGER NOT NULL,
  verdict TEXT NOT NULL CHECK (verdict IN ('success', 'refused', 'no-answer', 'server-error', 'other')),
  status INTEGER);
CREATE INDEX IF NOT EXISTS attempts_by_save ON attempts(save_id, id);
)sql";

// The latest save of each file, when no upload succeeded after it, with the
// last attempt since that save (if any).
constexpr char kPendingSaves[] = R"sql(
FROM saves s
LEFT JOIN attempts a ON a.id = (SELECT max(id) FROM attempts WHERE save_id = s.id)
WHERE s.id = (SELECT max(id) FROM saves WHERE path = s.path)
  AND NOT EXISTS (SELECT 1 FROM attempts t WHERE t.save_id = s.id AND t.verdict = 'success')
)sql";

// A file that is not this record's, as opposed to one that cannot be reached.
class EDamagedRecord : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

const char* VerdictWord(UploadVerdictKind kind) {
  switch (kind) {
    case UploadVerdictKind::Success: return "success";
    case UploadVerdictKind::Refused: return "refused";
    case UploadVerdictKind::NoAnswer: return "no-answer";
    case UploadVerdictKind::ServerError: return "server-error";
    case UploadVerdictKind::Other: break;
  }
  return "other";
}

UploadVerdictKind VerdictKindOf(const std::string& word) {
  for (UploadVerdictKind kind : {UploadVerdictKind::Success, UploadVerdictKind::Refused, UploadVerdictKind::NoAnswer,
                                 UploadVerdictKind::ServerError}) {
    if (word == VerdictWord(kind)) return kind;
  }
  return UploadVerdictKind::Other;
}

// SQLite's busy handler covers the wait for another station's write lock,
// but some moments (a station opening the log, or the last one closing it
// and folding it into the file) report "locked" at once. The whole
// transaction is rolled back then, so it is simply tried again, within the
// same moment.
template <class F>
auto RetryWhileLocked(F&& work) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (int round = 1;; ++round) {
    try {
      return work();
    } catch (const ESqliteError& e) {
      if ((e.Primary() != SQLITE_BUSY && e.Primary() != SQLITE_LOCKED) || std::chrono::steady_clock::now() >= end) {
        throw;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + (round * 7) % 20));
    }
  }
}

bool IsDamage(const ESqliteError& e) { return e.Primary() == SQLITE_NOTADB || e.Primary() == SQLITE_CORRUPT; }

std::int64_t SingleInt(sqlite3* db, const char* sql) {
  TSqliteStatement statement(db, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

// The record holds ID numbers: like the settings file, it is the user's own.
void MakePrivateFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) ::close(fd);
}

// Opens the file as this record: a database that passes its quick check and
// is either empty or marked as ours, with the tables made when missing.
SqliteHandle OpenAsRecord(const fs::path& file) {
  if (!fs::exists(file)) MakePrivateFile(file);
  SqliteHandle db = OpenSqlite(file.string());
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  {
    TSqliteStatement check(db.get(), "PRAGMA quick_check(1)");
    if (!check.Step() || check.Text(0) != "ok") throw EDamagedRecord("The record fails its check");
  }
  const std::int64_t id = SingleInt(db.get(), "PRAGMA application_id");
  const std::int64_t tables =
      SingleInt(db.get(), "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
  if (id != kApplicationId && !(id == 0 && tables == 0)) throw EDamagedRecord("The file is not an upload record");
  // Only a file known as ours is changed. Readers never wait for the other
  // station's writer, and a write is one append to the log.
  Exec(db.get(), "PRAGMA journal_mode=WAL");
  TSqliteTransaction schema(db.get());
  Exec(db.get(), kSchema);
  Exec(db.get(), ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
  schema.Commit();
  return db;
}

std::string UtcStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
  return text;
}

}  // namespace

RecordTime RecordNow() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

fs::path UploadRecordPath() {
  if (const char* explicitFile = std::getenv("VANTORA_UPLOAD_RECORD"); explicitFile && *explicitFile) {
    return explicitFile;
  }
  fs::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    state = fs::path(home) / ".local" / "state";
  } else {
    state = ".";
  }
  return state / "vantora" / "uploads.sqlite";
}

TUploadRecord::TUploadRecord(fs::path file) : file_(std::move(file)) { Open(); }

void TUploadRecord::Open() {
  std::error_code ec;
  if (!file_.parent_path().empty()) fs::create_directories(file_.parent_path(), ec);
  if (ec) {
    Unavailable(ec.message());
    return;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool damaged = false;
    std::string reason;
    try {
      db_ = RetryWhileLocked([this] { return OpenAsRecord(file_); });
      return;
    } catch (const EDamagedRecord& e) {
      damaged = true;
      reason = e.what();
    } catch (const ESqliteError& e) {
      damaged = IsDamage(e);
      reason = e.what();
    } catch (const std::exception& e) {
      reason = e.what();
    }
    db_.reset();
    if (!damaged || attempt > 0) {
      Unavailable(reason);
      return;
    }
    SetAside();
    if (unavailable_) return;
  }
}

// Keeps the damaged file, with its log beside it, under a new name: a new
// record must not replay the old log, and nothing is thrown away.
void TUploadRecord::SetAside() {
  std::string target = file_.string() + ".damaged-" + UtcStamp();
  for (int n = 2; fs::exists(target); ++n) target = file_.string() + ".damaged-" + UtcStamp() + "-" + std::to_string(n);
  std::error_code ec;
  fs::rename(file_, target, ec);
  if (ec) {
    Unavailable(ec.message());
    return;
  }
  for (const char* companion : {"-wal", "-shm", "-journal"}) {
    const fs::path from = file_.string() + companion;
    if (!fs::exists(from)) continue;
    fs::rename(from, target + companion, ec);
    if (ec) {
      Unavailable(ec.message());
      return;
    }
  }
  setAside_ = UploadRecordNotice{UploadRecordNotice::Kind::SetAside, target, {}};
}

void TUploadRecord::Unavailable(const std::string& reason) {
  if (unavailableSaid_) return;
  unavailableSaid_ = true;
  unavailable_ = UploadRecordNotice{UploadRecordNotice::Kind::Unavailable, file_.string(), reason};
}

std::optional<UploadRecordNotice> TUploadRecord::TakeNotice() {
  std::optional<UploadRecordNotice> notice;
  if (setAside_) {
    notice.swap(setAside_);
  } else if (unavailable_) {
    notice.swap(unavailable_);
  }
  return notice;
}

// A record that fails stays open for the next call (a disk that was full
// may have room again); the operator hears of the first failure only.
template <class F>
bool TUploadRecord::Guard(F&& work) {
  if (!db_) return false;
  try {
    RetryWhileLocked([&] { work(db_.get()); });
    return true;
  } catch (const std::exception& e) {
    Unavailable(e.what());
    return false;
  }
}

void TUploadRecord::RecordSaved(const std::string& number, const std::string& path, RecordTime at) {
  Guard([&](sqlite3* db) {
    TSqliteTransaction transaction(db);
    TSqliteStatement(db, "INSERT INTO saves(number, path, saved_at) VALUES(?, ?, ?)")
        .Bind(1, number).Bind(2, path).Bind(3, at).Step();
    transaction.Commit();
  });
}

void TUploadRecord::RecordAttempt(const std::string& number, const std::string& path, RecordTime at,
                                  UploadVerdict verdict) {
  Guard([&](sqlite3* db) {
    TSqliteTransaction transaction(db);
    std::int64_t save = 0;
    {
      TSqliteStatement latest(db, "SELECT max(id) FROM saves WHERE path = ?");
      latest.Bind(1, path);
      if (latest.Step() && !latest.IsNull(0)) save = latest.Int(0);
    }
    if (save == 0) {
      TSqliteStatement(db, "INSERT INTO saves(number, path, saved_at) VALUES(?, ?, ?)")
          .Bind(1, number).Bind(2, path).Bind(3, at).Step();
      save = sqlite3_last_insert_rowid(db);
    }
    TSqliteStatement insert(db, "INSERT INTO attempts(save_id, at, verdict, status) VALUES(?, ?, ?, ?)");
    insert.Bind(1, save).Bind(2, at).Bind(3, std::string(VerdictWord(verdict.kind)));
    if (verdict.kind == UploadVerdictKind::ServerError) {
      insert.Bind(4, static_cast<std::int64_t>(verdict.status));
    } else {
      insert.BindNull(4);
    }
    insert.Step();
    transaction.Commit();
  });
}

std::vector<PendingPhoto> TUploadRecord::Pending() {
  std::vector<PendingPhoto> pending;
  Guard([&](sqlite3* db) {
    const std::string sql =
        std::string("SELECT s.number, s.path, s.saved_at, a.at, a.verdict, a.status ") + kPendingSaves + "ORDER BY s.id";
    TSqliteStatement rows(db, sql.c_str());
    std::vector<PendingPhoto> read;
    while (rows.Step()) {
      PendingPhoto photo{rows.Text(0), rows.Text(1), rows.Int(2), std::nullopt};
      if (!rows.IsNull(3)) {
        photo.lastAttempt = UploadAttempt{rows.Int(3), {VerdictKindOf(rows.Text(4)), static_cast<int>(rows.Int(5))}};
      }
      read.push_back(std::move(photo));
    }
    pending = std::move(read);
  });
  return pending;
}

std::optional<int> TUploadRecord::PendingCount() {
  std::optional<int> count;
  Guard([&](sqlite3* db) {
    const std::string sql = std::string("SELECT count(*) ") + kPendingSaves;
    count = static_cast<int>(SingleInt(db, sql.c_str()));
  });
  return count;
}

}  // namespace vantora
