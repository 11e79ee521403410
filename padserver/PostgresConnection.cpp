#include "padserver/PostgresConnection.h"

#include <poll.h>

#include <cstdlib>
#include <mutex>
#include <utility>

#include "padserver/ServerLog.h"

namespace padserver {

namespace {

constexpr char kSerializationFailure[] = "40001";
constexpr char kDeadlockDetected[] = "40P01";
constexpr char kLockNotAvailable[] = "55P03";
// The server is shutting down or starting: the store is away for a while.
constexpr char kAdminShutdown[] = "57P01";
constexpr char kCrashShutdown[] = "57P02";
constexpr char kCannotConnectNow[] = "57P03";
// The class of connection failures.
constexpr char kConnectionExceptionClass[] = "08";

// The connections kept between requests: two, since a request may hold the
// record store's and the file area's at once. Closed when the process exits.
constexpr int kKeptConnections = 2;
struct KeptConnection {
  PGconn* connection = nullptr;
  std::string uri;
};
KeptConnection keptConnections[kKeptConnections];  // guarded by keptLock
std::mutex keptLock;

void CloseKeptConnections() {
  std::lock_guard<std::mutex> hold(keptLock);
  for (KeptConnection& kept : keptConnections) {
    PQfinish(kept.connection);
    kept.connection = nullptr;
  }
}

}  // namespace

std::unique_ptr<PostgresConnection> PostgresConnection::TakeKept(const std::string& uri) {
  std::lock_guard<std::mutex> hold(keptLock);
  for (KeptConnection& kept : keptConnections) {
    if (kept.connection == nullptr || kept.uri != uri) continue;
    PGconn* connection = kept.connection;
    kept.connection = nullptr;
    // An idle connection hears nothing from a sound server: anything to
    // read is a server that shut down, said so and closed it.
    pollfd idle{PQsocket(connection), POLLIN, 0};
    if (PQstatus(connection) == CONNECTION_OK && PQtransactionStatus(connection) == PQTRANS_IDLE &&
        idle.fd >= 0 && ::poll(&idle, 1, 0) == 0) {
      std::unique_ptr<PostgresConnection> owner(new PostgresConnection(connection));
      owner->keepFor_ = uri;
      return owner;
    }
    PQfinish(connection);
  }
  return nullptr;
}

PostgresConnection::~PostgresConnection() {
  if (!keepFor_.empty() && PQstatus(connection_) == CONNECTION_OK &&
      PQtransactionStatus(connection_) == PQTRANS_IDLE) {
    std::lock_guard<std::mutex> hold(keptLock);
    for (KeptConnection& kept : keptConnections) {
      if (kept.connection != nullptr) continue;
      static bool closeAtExit = std::atexit(CloseKeptConnections) == 0;
      if (!closeAtExit) break;
      kept.connection = connection_;
      kept.uri = keepFor_;
      return;
    }
  }
  PQfinish(connection_);
}

PostgresParams& PostgresParams::Add(std::int64_t value) { return AddText(std::to_string(value)); }

PostgresParams& PostgresParams::AddBytes(std::string_view bytes) {
  values_.emplace_back(bytes);
  isNull_.push_back(false);
  formats_.push_back(1);  // binary: the bytes as they are
  return *this;
}

PostgresParams& PostgresParams::AddText(std::string text) {
  values_.push_back(std::move(text));
  isNull_.push_back(false);
  formats_.push_back(0);
  return *this;
}

PostgresParams& PostgresParams::AddNull() {
  values_.emplace_back();
  isNull_.push_back(true);
  formats_.push_back(0);
  return *this;
}

PostgresResult& PostgresResult::operator=(PostgresResult&& other) noexcept {
  if (this != &other) {
    PQclear(result_);
    result_ = other.result_;
    other.result_ = nullptr;
  }
  return *this;
}

std::int64_t PostgresResult::Integer(int row, int column) const {
  return std::strtoll(PQgetvalue(result_, row, column), nullptr, 10);
}

std::string PostgresResult::Bytes(int row, int column) const {
  std::size_t length = 0;
  unsigned char* bytes = PQunescapeBytea(
      reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column)), &length);
  if (bytes == nullptr) return std::string();
  std::string text(reinterpret_cast<const char*>(bytes), length);
  PQfreemem(bytes);
  return text;
}

std::unique_ptr<PostgresConnection> PostgresConnection::Open(const std::string& uri,
                                                             Status& status) {
  // The URI comes last, so that what it names itself wins over the default.
  const std::string timeout = std::to_string(kConnectTimeoutSeconds);
  const char* const keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* const values[] = {timeout.c_str(), uri.c_str(), nullptr};
  PGconn* connection = PQconnectdbParams(keywords, values, 1);
  std::unique_ptr<PostgresConnection> owner(new PostgresConnection(connection));
  if (connection == nullptr || PQstatus(connection) != CONNECTION_OK) {
    LogFailure("cannot reach the store",
               connection != nullptr ? PQerrorMessage(connection) : "out of memory");
    // An outage, which the client may wait out, unless memory ran out here.
    status = connection != nullptr ? Status::Fail(kUnavailable, "store unreachable")
                                   : Status::Fail(kServerError, "store failed");
    return nullptr;
  }
  status = Status::Ok();
  return owner;
}

bool PostgresConnection::Check(PGresult* result, PostgresResult* keep) {
  ExecStatusType state = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  if (state == PGRES_COMMAND_OK || state == PGRES_TUPLES_OK) {
    errorState_.clear();
    errorMessage_.clear();
    if (keep != nullptr) {
      *keep = PostgresResult(result);
    } else {
      PQclear(result);
    }
    return true;
  }
  const char* sqlState = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  errorState_ = sqlState != nullptr ? sqlState : "";
  errorMessage_ = PQerrorMessage(connection_);
  PQclear(result);
  return false;
}

bool PostgresConnection::Run(const char* sql, const PostgresParams& params,
                             PostgresResult& result) {
  const std::size_t count = params.values_.size();
  std::vector<const char*> values(count);
  std::vector<int> lengths(count);
  for (std::size_t i = 0; i < count; ++i) {
    values[i] = params.isNull_[i] ? nullptr : params.values_[i].data();
    lengths[i] = static_cast<int>(params.values_[i].size());
  }
  return Check(PQexecParams(connection_, sql, static_cast<int>(count), nullptr, values.data(),
                            lengths.data(), params.formats_.data(), 0),
               &result);
}

bool PostgresConnection::Run(const char* sql, const PostgresParams& params) {
  PostgresResult ignored;
  return Run(sql, params, ignored);
}

bool PostgresConnection::RunScript(const char* sql) {
  return Check(PQexec(connection_, sql), nullptr);
}

bool PostgresConnection::Retryable() const {
  return errorState_ == kSerializationFailure || errorState_ == kDeadlockDetected;
}

bool PostgresConnection::Conflicted() const {
  return Retryable() || errorState_ == kLockNotAvailable;
}

Status PostgresConnection::Failure() const {
  if (Conflicted()) return Status::Fail(kUnavailable, "store busy");
  if (PQstatus(connection_) == CONNECTION_BAD || errorState_ == kAdminShutdown ||
      errorState_ == kCrashShutdown || errorState_ == kCannotConnectNow ||
      errorState_.compare(0, 2, kConnectionExceptionClass) == 0) {
    LogFailure("store lost", errorMessage_.empty() ? "no reply" : errorMessage_);
    return Status::Fail(kUnavailable, "store unreachable");
  }
  LogFailure("store failed", errorMessage_.empty() ? "no reply" : errorMessage_);
  return Status::Fail(kServerError, "store failed");
}

}  // namespace padserver
