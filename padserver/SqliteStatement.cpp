#include "padserver/SqliteStatement.h"

#include "padserver/ServerLog.h"

namespace padserver {

Status StoreFailure(sqlite3* db) {
  int code = sqlite3_errcode(db);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return Status::Fail(kUnavailable, "store busy");
  }
  LogFailure("store failed", sqlite3_errmsg(db));
  return Status::Fail(kServerError, "store failed");
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
  if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    failed_ = true;
  }
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
  if (statement_ != nullptr && sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  // SQLITE_TRANSIENT: SQLite copies the bytes, which need not outlive the call.
  if (statement_ != nullptr &&
      sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    failed_ = true;
  }
  return *this;
}

bool SqliteStatement::Step() {
  if (statement_ == nullptr || failed_) return false;
  int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result != SQLITE_DONE) failed_ = true;
  return false;
}

bool SqliteStatement::Run() {
  Step();
  return !failed_;
}

void SqliteStatement::Reset() {
  if (statement_ == nullptr) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  failed_ = false;
}

std::int64_t SqliteStatement::Integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(statement_, column);
  int length = sqlite3_column_bytes(statement_, column);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text), length) : std::string();
}

SqliteTransaction::SqliteTransaction(sqlite3* db, Kind kind) : db_(db) {
  begun_ = sqlite3_exec(db_, kind == kWrite ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr,
                        nullptr) == SQLITE_OK;
}

SqliteTransaction::~SqliteTransaction() {
  if (begun_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteTransaction::Commit() {
  if (!begun_) return false;
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  begun_ = false;
  return true;
}

}  // namespace padserver
