#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/sqlite_db.h"

// The upload record: which saved photos have reached the upload server. One
// SQLite file per user, shared by every station the user runs. The record
// only reads and writes its own file; it never opens, moves or removes a
// photo.
namespace vantora {

// How one upload attempt ended.
enum class UploadVerdictKind {
  Success,      // a plain 2xx answer
  Refused,      // the server's host refused the connection
  NoAnswer,     // no connection or no answer within the bound
  ServerError,  // the server answered, but not with a plain 2xx (its status kept)
  Other,        // anything else: the file, the name lookup, a reset, ...
};

struct UploadVerdict {
  UploadVerdictKind kind = UploadVerdictKind::Other;
  int status = 0;  // the answer's status code, for ServerError only

  friend bool operator==(const UploadVerdict&, const UploadVerdict&) = default;
};

// Milliseconds since the Unix epoch; the record's only clock.
using RecordTime = std::int64_t;
RecordTime RecordNow();

struct UploadAttempt {
  RecordTime at = 0;
  UploadVerdict verdict;
};

// A photo saved, and not uploaded successfully since that save.
struct PendingPhoto {
  std::string number;  // the normalised ID
  std::string path;    // the photo file, as it was saved
  RecordTime savedAt = 0;
  std::optional<UploadAttempt> lastAttempt;  // since the save
};

// What the operator is told about the record itself, once.
struct UploadRecordNotice {
  enum class Kind {
    SetAside,     // the file was damaged: kept under `file`, a new record started
    Unavailable,  // the record cannot be opened or written: `file`, `reason`
  };
  Kind kind = Kind::Unavailable;
  std::string file;
  std::string reason;  // SQLite's or the system's text
};

// $VANTORA_UPLOAD_RECORD when set, else uploads.sqlite in the user's state
// folder: $XDG_STATE_HOME/vantora (when absolute), else ~/.local/state/vantora.
std::filesystem::path UploadRecordPath();

class TUploadRecord {
 public:
  // Opens the record, making its folder and the file when missing. A file
  // that is not a database, or not this record, or fails its check, is set
  // aside and a new record started. Never throws: a record that cannot be
  // used leaves the object unavailable, and every call then does nothing.
  explicit TUploadRecord(std::filesystem::path file);

  bool Available() const { return db_ != nullptr; }
  const std::filesystem::path& File() const { return file_; }

  // The next thing to tell the operator, each at most once: the damaged file
  // set aside, then the first failure to open or write the record.
  std::optional<UploadRecordNotice> TakeNotice();

  // A photo file was written for `number`. A save of the same file again
  // makes it pending again, whatever was uploaded before.
  void RecordSaved(const std::string& number, const std::string& path, RecordTime at);
  // An upload of the photo file ended with `verdict`. A file the record has
  // not seen saved (saved while the record was away) is taken as saved now.
  void RecordAttempt(const std::string& number, const std::string& path, RecordTime at, UploadVerdict verdict);

  // Oldest save first. Empty when unavailable.
  std::vector<PendingPhoto> Pending();
  // The number of pending photos, or nothing when the record is unavailable.
  std::optional<int> PendingCount();

 private:
  void Open();
  void SetAside();
  void Unavailable(const std::string& reason);
  template <class F>
  bool Guard(F&& work);

  std::filesystem::path file_;
  SqliteHandle db_;
  std::optional<UploadRecordNotice> setAside_;
  std::optional<UploadRecordNotice> unavailable_;
  bool unavailableSaid_ = false;
};

}  // namespace vantora
