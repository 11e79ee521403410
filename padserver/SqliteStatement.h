// Small owners for SQLite handles: a prepared statement and a transaction,
// each finished or rolled back on every way out of the function that made it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "padserver/Status.h"

namespace padserver {

// A failure of the database as a Status: 503 when another process held the
// lock past the busy time-out, 500 otherwise, whose detail goes to the log.
Status StoreFailure(sqlite3* db);

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, const char* sql);
  ~SqliteStatement() { sqlite3_finalize(statement_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool Prepared() const { return statement_ != nullptr; }
  // Parameters count from 1, as in SQLite.
  SqliteStatement& Bind(int index, std::int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  // Runs one step: true while it yields a row. A finished statement or an
  // error gives false; Failed() tells them apart.
  bool Step();
  bool Failed() const { return failed_; }
  // Runs a statement that yields no row; true when it succeeded.
  bool Run();
  void Reset();

  std::int64_t Integer(int column) const;
  std::string Text(int column) const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  bool failed_ = false;
};

class SqliteTransaction {
 public:
  // A writer takes the write lock at once (BEGIN IMMEDIATE), so that two
  // writers never deadlock upgrading their locks; a reader reads one
  // consistent state.
  enum Kind { kRead, kWrite };
  SqliteTransaction(sqlite3* db, Kind kind);
  // Rolls back unless committed.
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  bool Begun() const { return begun_; }
  bool Commit();

 private:
  sqlite3* db_;
  bool begun_ = false;
};

}  // namespace padserver
