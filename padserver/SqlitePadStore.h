// The embedded pad store: one SQLite database file, shared by every CGI
// process of the server.
//
// The database runs in WAL mode, so that readers never wait for a writer;
// writers take the write lock at the start of their transaction and wait for
// one another up to a busy time-out. The file and its tables are created by
// the first process that opens it.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "padserver/PadStore.h"

struct sqlite3;

namespace padserver {

class SqlitePadStore : public PadStore {
 public:
  // How long a transaction waits for another process's write lock.
  static constexpr int kBusyTimeoutMilliseconds = 10000;

  // Opens the database at `path`, creating it and its tables on first use.
  // Null, with the reason in `status`, when that fails.
  static std::unique_ptr<SqlitePadStore> Open(const std::string& path, Status& status);

  ~SqlitePadStore() override;
  SqlitePadStore(const SqlitePadStore&) = delete;
  SqlitePadStore& operator=(const SqlitePadStore&) = delete;

  void ActFor(std::string user) override { user_ = std::move(user); }
  void SetLimits(const Limits& limits) override { limits_ = limits; }
  Status ClaimFile(const std::string& name) override;
  Status NewPad(PadId& id) override;
  Status Update(PadId id, const PadChange& change) override;
  Status Get(PadId id, PadRecord& record) override;
  Status Children(PadId parent, std::vector<PadId>& children) override;
  Status Delete(PadId id, std::vector<PadId>& removed) override;

 private:
  explicit SqlitePadStore(sqlite3* db) : db_(db) {}
  Status CreateTables();
  // With accounts, 403 unless the pad `id` is the acting user's.
  Status CheckOwner(PadId id, const char* refusal);
  // 507 when `parent` already has as many children as the limit allows.
  Status CheckRoomBelow(PadId parent);
  // 413 when the pad `id`'s attributes exceed their limits.
  Status CheckAttributeRoom(PadId id);

  sqlite3* db_;
  std::string user_;
  Limits limits_;
};

}  // namespace padserver
