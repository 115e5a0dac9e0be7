#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// Owning handles for SQLite's connection and statements, and the few calls
// the upload record makes through them. Every failure is an ESqliteError
// carrying SQLite's extended result code.
namespace vantora {

class ESqliteError : public std::runtime_error {
 public:
  ESqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }
  // The primary result code (SQLITE_FULL, SQLITE_NOTADB, ...).
  int Primary() const { return code_ & 0xff; }

 private:
  int code_;
};

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct SqliteFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Opens (making it when missing) the database file read-write.
SqliteHandle OpenSqlite(const std::string& file);

// Runs statements that return no rows.
void Exec(sqlite3* db, const char* sql);

// One prepared statement; rows are read column by column after each Step.
class TSqliteStatement {
 public:
  TSqliteStatement(sqlite3* db, const char* sql);

  TSqliteStatement& Bind(int index, std::int64_t value);
  TSqliteStatement& Bind(int index, const std::string& text);
  TSqliteStatement& BindNull(int index);
  // True while a row is there to read; false once the statement is done.
  bool Step();

  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_.get(), column); }
  std::string Text(int column) const;
  bool IsNull(int column) const { return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL; }

 private:
  void Check(int result) const;

  sqlite3* db_;
  std::unique_ptr<sqlite3_stmt, SqliteFinalizer> statement_;
};

// A write transaction that rolls back unless committed. It takes the write
// lock at once (BEGIN IMMEDIATE), so a second station waits at the start,
// within the busy timeout, instead of failing half way.
class TSqliteTransaction {
 public:
  explicit TSqliteTransaction(sqlite3* db);
  ~TSqliteTransaction();
  TSqliteTransaction(const TSqliteTransaction&) = delete;
  TSqliteTransaction& operator=(const TSqliteTransaction&) = delete;
  void Commit();

 private:
  sqlite3* db_;
  bool done_ = false;
};

}  // namespace vantora
