// Small owners for libpq: a connection that runs one statement at a time
// with its parameters passed apart from the SQL, and the rows it answered.
//
// Every text a client chose (names, values, accounts) travels as bytea, so
// that it is stored byte for byte whatever its encoding; numbers travel as
// their decimal text. A failed statement is remembered until the next one,
// so that the caller can turn it into a Status and tell a conflict with
// another transaction (worth trying again) from a broken store.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "padserver/Status.h"

namespace padserver {

// The parameters of one statement, $1, $2, ... in the order they are added.
class PostgresParams {
 public:
  PostgresParams& Add(std::int64_t value);
  // Bytes sent as bytea; the SQL casts the parameter ($n::bytea).
  PostgresParams& AddBytes(std::string_view bytes);
  // Text in the form the SQL casts it from ($n::TYPE).
  PostgresParams& AddText(std::string text);
  // SQL NULL.
  PostgresParams& AddNull();

 private:
  friend class PostgresConnection;
  std::vector<std::string> values_;
  std::vector<bool> isNull_;
  std::vector<int> formats_;
};

class PostgresResult {
 public:
  explicit PostgresResult(PGresult* result = nullptr) : result_(result) {}
  ~PostgresResult() { PQclear(result_); }
  PostgresResult(PostgresResult&& other) noexcept : result_(other.result_) {
    other.result_ = nullptr;
  }
  PostgresResult& operator=(PostgresResult&& other) noexcept;

  int Rows() const { return result_ != nullptr ? PQntuples(result_) : 0; }
  std::int64_t Integer(int row, int column) const;
  // A bytea column's bytes.
  std::string Bytes(int row, int column) const;

 private:
  PGresult* result_;
};

class PostgresConnection {
 public:
  // Connects to `uri` (a libpq connection URI or keyword string), waiting at
  // most kConnectTimeoutSeconds unless it names its own time-out. Null, with
  // the reason logged and in `status` (503 for a server that cannot be
  // reached), when that fails.
  static std::unique_ptr<PostgresConnection> Open(const std::string& uri, Status& status);
  static constexpr int kConnectTimeoutSeconds = 10;

  // A connection marked by KeepWhenDone goes back to the process's kept
  // ones when it is idle and sound; any other is closed.
  ~PostgresConnection();
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;

  // A FastCGI responder serves many requests, and a new connection costs
  // more than most of them (a server process starts for it): a connection
  // to `uri` kept by an earlier request, still open and with no transaction
  // under way, or null.
  static std::unique_ptr<PostgresConnection> TakeKept(const std::string& uri);
  // Lets the connection, opened for `uri` and set up, be kept when done.
  void KeepWhenDone(const std::string& uri) { keepFor_ = uri; }

  // Runs one statement; true when it succeeded, its rows in `result`.
  bool Run(const char* sql, const PostgresParams& params, PostgresResult& result);
  bool Run(const char* sql, const PostgresParams& params = PostgresParams());
  // Runs constant SQL that may hold several statements and no parameter.
  bool RunScript(const char* sql);

  // The SQLSTATE of the last failed statement, empty after a success.
  const std::string& ErrorState() const { return errorState_; }
  // Whether the last failure was a deadlock or serialization failure, which
  // the same transaction may get past when run again.
  bool Retryable() const;
  // Whether the last failure was a conflict with another transaction: a
  // retryable one, or a lock wait past its time-out.
  bool Conflicted() const;
  // The last failure as a Status: 503 for a conflict, or for a server that
  // went away or is shutting down (its message logged), otherwise 500 with
  // the database's message in the log.
  Status Failure() const;

 private:
  explicit PostgresConnection(PGconn* connection) : connection_(connection) {}
  bool Check(PGresult* result, PostgresResult* keep);

  PGconn* connection_;
  std::string keepFor_;  // the URI it may be kept for; empty: never kept
  std::string errorState_;
  std::string errorMessage_;
};

}  // namespace padserver
