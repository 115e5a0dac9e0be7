#include "record/sqlite_db.h"

namespace vantora {

namespace {

[[noreturn]] void Raise(sqlite3* db, int result) {
  const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result);
  throw ESqliteError(result, text != nullptr ? text : "SQLite error");
}

}  // namespace

SqliteHandle OpenSqlite(const std::string& file) {
  sqlite3* raw = nullptr;
  const int result =
      sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteHandle db(raw);  // SQLite hands out a handle even when the open fails
  if (result != SQLITE_OK) Raise(db.get(), result);
  sqlite3_extended_result_codes(db.get(), 1);
  return db;
}

void Exec(sqlite3* db, const char* sql) {
  const int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (result != SQLITE_OK) Raise(db, result);
}

TSqliteStatement::TSqliteStatement(sqlite3* db, const char* sql) : db_(db) {
  sqlite3_stmt* raw = nullptr;
  const int result = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
  statement_.reset(raw);
  Check(result);
}

void TSqliteStatement::Check(int result) const {
  if (result != SQLITE_OK) Raise(db_, result);
}

TSqliteStatement& TSqliteStatement::Bind(int index, std::int64_t value) {
  Check(sqlite3_bind_int64(statement_.get(), index, value));
  return *this;
}

TSqliteStatement& TSqliteStatement::Bind(int index, const std::string& text) {
  Check(sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
  return *this;
}

TSqliteStatement& TSqliteStatement::BindNull(int index) {
  Check(sqlite3_bind_null(statement_.get(), index));
  return *this;
}

bool TSqliteStatement::Step() {
  const int result = sqlite3_step(statement_.get());
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  Raise(db_, result);
}

std::string TSqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_.get(), column));
  return text != nullptr ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)))
                         : std::string();
}

TSqliteTransaction::TSqliteTransaction(sqlite3* db) : db_(db) { Exec(db_, "BEGIN IMMEDIATE"); }

TSqliteTransaction::~TSqliteTransaction() {
  if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TSqliteTransaction::Commit() {
  Exec(db_, "COMMIT");
  done_ = true;
}

}  // namespace vantora
