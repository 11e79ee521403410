#include "padserver/SqlitePadStore.h"

#include <sqlite3.h>

#include <chrono>
#include <limits>
#include <string>
#include <thread>

#include "padserver/ServerLog.h"
#include "padserver/SqliteStatement.h"

namespace padserver {

namespace {

// The schema's version in the database's user_version; 0 is a new file.
constexpr int kSchemaVersion = 2;
// The pause before a start that was told "busy" is tried again.
constexpr int kBusyRetryMilliseconds = 20;

// AUTOINCREMENT keeps identifiers from being used twice, also after their
// pad was deleted. Attributes keep their first-set order through their row
// identifiers.
constexpr char kSchema[] =
    "CREATE TABLE pads("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL DEFAULT 0,"
    "  x INTEGER NOT NULL DEFAULT 0,"
    "  y INTEGER NOT NULL DEFAULT 0,"
    "  account TEXT NOT NULL DEFAULT 'guest',"
    "  owner_group TEXT NOT NULL DEFAULT 'guest');"
    "CREATE INDEX pads_by_parent ON pads(parent, id);"
    "CREATE TABLE attributes("
    "  pad INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  quoted INTEGER NOT NULL,"
    "  value TEXT NOT NULL,"
    "  UNIQUE(pad, name));"
    "PRAGMA user_version = 1;";

// Version 2: the owners of misc files, kept from their first upload.
constexpr char kFileOwners[] =
    "CREATE TABLE files(name TEXT PRIMARY KEY, owner TEXT NOT NULL);"
    "PRAGMA user_version = 2;";

// The pad ?1 and every pad below it.
constexpr char kSubtree[] =
    "WITH RECURSIVE subtree(pad) AS ("
    "  SELECT ?1 UNION SELECT pads.id FROM pads, subtree WHERE pads.parent = subtree.pad) ";

constexpr PadId kLargestId = std::numeric_limits<PadId>::max();

// When another connection holds the lock: waits in steps of one
// millisecond, up to the busy time-out from the first call of this wait.
// SQLite's own handler sleeps ever longer (up to 100 ms at a time), long past
// a release, which made most of the slowest commands' time when several
// responders take turns at the file.
int WaitForLock(void* /*unused*/, int calls) {
  thread_local std::chrono::steady_clock::time_point giveUp;
  auto now = std::chrono::steady_clock::now();
  if (calls == 0) {
    giveUp = now + std::chrono::milliseconds(SqlitePadStore::kBusyTimeoutMilliseconds);
  }
  if (now >= giveUp) return 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 1;
}

Status NoSuchPad() { return Status::Fail(kNotFound, "no such pad"); }

int SchemaVersion(sqlite3* db) {
  SqliteStatement version(db, "PRAGMA user_version");
  return version.Step() ? static_cast<int>(version.Integer(0)) : -1;
}

// Whether the pad `id` exists; a failed query shows in `status`.
bool Exists(sqlite3* db, PadId id, Status& status) {
  SqliteStatement query(db, "SELECT 1 FROM pads WHERE id = ?1");
  bool found = query.Bind(1, id).Step();
  if (query.Failed()) status = StoreFailure(db);
  return found;
}

// Whether `ancestor` is `pad` itself or lies above it.
bool IsSelfOrAbove(sqlite3* db, PadId ancestor, PadId pad, Status& status) {
  SqliteStatement query(db,
                        "WITH RECURSIVE up(pad) AS ("
                        "  SELECT ?1 UNION SELECT parent FROM pads, up"
                        "  WHERE pads.id = up.pad AND parent <> 0) "
                        "SELECT 1 FROM up WHERE pad = ?2");
  bool found = query.Bind(1, pad).Bind(2, ancestor).Step();
  if (query.Failed()) status = StoreFailure(db);
  return found;
}

}  // namespace

std::unique_ptr<SqlitePadStore> SqlitePadStore::Open(const std::string& path, Status& status) {
  sqlite3* db = nullptr;
  int opened =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<SqlitePadStore> store(new SqlitePadStore(db));
  if (opened != SQLITE_OK) {
    status = StoreFailure(db);
    return nullptr;
  }
  sqlite3_busy_handler(db, WaitForLock, nullptr);
  // Two connections that turn a new file to WAL mode at once both need its
  // exclusive lock; one of them is told "busy" at once instead of waiting.
  // Such a start is tried again, within the bound of any other wait.
  auto giveUp =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMilliseconds);
  for (;;) {
    status = store->CreateTables();
    if (status.IsOk()) return store;
    if (status.code != kUnavailable || std::chrono::steady_clock::now() >= giveUp) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMilliseconds));
  }
}

SqlitePadStore::~SqlitePadStore() { sqlite3_close(db_); }

// Several processes may meet a new file at once: the write lock lets one of
// them create the tables, and the others see its version once they get it.
Status SqlitePadStore::CreateTables() {
  int version = SchemaVersion(db_);
  if (version == kSchemaVersion) return Status::Ok();
  if (version < 0) return StoreFailure(db_);
  if (version > kSchemaVersion) {
    LogFailure("store refused", "its schema version " + std::to_string(version) +
                                    " is newer than this server's " +
                                    std::to_string(kSchemaVersion));
    return Status::Fail(kServerError, "store of a newer version");
  }
  // WAL mode stays with the file once set.
  if (sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return StoreFailure(db_);
  }
  SqliteTransaction transaction(db_, SqliteTransaction::kWrite);
  if (!transaction.Begun()) return StoreFailure(db_);
  version = SchemaVersion(db_);
  if (version == 0 && sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return StoreFailure(db_);
  }
  if (version < 2 && sqlite3_exec(db_, kFileOwners, nullptr, nullptr, nullptr) != SQLITE_OK) {
    return StoreFailure(db_);
  }
  return transaction.Commit() ? Status::Ok() : StoreFailure(db_);
}

Status SqlitePadStore::CheckOwner(PadId id, const char* refusal) {
  if (user_.empty()) return Status::Ok();
  SqliteStatement query(db_, "SELECT account FROM pads WHERE id = ?1");
  if (!query.Bind(1, id).Step()) return query.Failed() ? StoreFailure(db_) : NoSuchPad();
  return query.Text(0) == user_ ? Status::Ok() : Status::Fail(kForbidden, refusal);
}

Status SqlitePadStore::CheckRoomBelow(PadId parent) {
  SqliteStatement count(db_, "SELECT count(*) FROM pads WHERE parent = ?1");
  if (!count.Bind(1, parent).Step()) return StoreFailure(db_);
  if (static_cast<std::uint64_t>(count.Integer(0)) >= limits_.maxChildren) {
    return Status::Fail(kInsufficientStorage, "too many children");
  }
  return Status::Ok();
}

Status SqlitePadStore::CheckAttributeRoom(PadId id) {
  SqliteStatement size(db_,
                       "SELECT count(*), coalesce(sum(length(CAST(name AS BLOB)) +"
                       " length(CAST(value AS BLOB))), 0) FROM attributes WHERE pad = ?1");
  if (!size.Bind(1, id).Step()) return StoreFailure(db_);
  if (static_cast<std::uint64_t>(size.Integer(0)) > limits_.maxAttributes) {
    return Status::Fail(kPayloadTooLarge, "too many attributes");
  }
  if (static_cast<std::uint64_t>(size.Integer(1)) > limits_.maxAttributeBytes) {
    return Status::Fail(kPayloadTooLarge, "attributes too large");
  }
  return Status::Ok();
}

Status SqlitePadStore::ClaimFile(const std::string& name) {
  if (user_.empty()) return Status::Ok();
  SqliteTransaction transaction(db_, SqliteTransaction::kWrite);
  if (!transaction.Begun()) return StoreFailure(db_);
  SqliteStatement claim(db_, "INSERT OR IGNORE INTO files(name, owner) VALUES(?1, ?2)");
  if (!claim.Bind(1, name).Bind(2, user_).Run()) return StoreFailure(db_);
  SqliteStatement owner(db_, "SELECT owner FROM files WHERE name = ?1");
  if (!owner.Bind(1, name).Step()) return StoreFailure(db_);
  if (owner.Text(0) != user_) return Status::Fail(kForbidden, "not your file");
  return transaction.Commit() ? Status::Ok() : StoreFailure(db_);
}

Status SqlitePadStore::NewPad(PadId& id) {
  id = 0;
  SqliteTransaction transaction(db_, SqliteTransaction::kWrite);
  if (!transaction.Begun()) return StoreFailure(db_);
  Status room = CheckRoomBelow(kNoParent);
  if (!room.IsOk()) return room;
  SqliteStatement insert(db_, user_.empty() ? "INSERT INTO pads DEFAULT VALUES"
                                            : "INSERT INTO pads(account) VALUES(?1)");
  if (!user_.empty()) insert.Bind(1, user_);
  if (!insert.Run()) return StoreFailure(db_);
  sqlite3_int64 rowid = sqlite3_last_insert_rowid(db_);
  // Identifiers travel as unsigned 32-bit numbers; the rollback leaves the
  // counter where it was, so every later request is refused the same way.
  if (rowid <= 0 || rowid > static_cast<sqlite3_int64>(kLargestId)) {
    return Status::Fail(kUnavailable, "no pad identifier left");
  }
  if (!transaction.Commit()) return StoreFailure(db_);
  id = static_cast<PadId>(rowid);
  return Status::Ok();
}

Status SqlitePadStore::Update(PadId id, const PadChange& change) {
  SqliteTransaction transaction(db_, SqliteTransaction::kWrite);
  if (!transaction.Begun()) return StoreFailure(db_);
  Status status = CheckOwner(id, "not your pad");
  if (!status.IsOk()) return status;
  if (!Exists(db_, id, status)) return status.IsOk() ? NoSuchPad() : status;
  if (change.parent && *change.parent != kNoParent) {
    if (!Exists(db_, *change.parent, status)) {
      return status.IsOk() ? Status::Fail(kNotFound, "no such parent") : status;
    }
    status = CheckOwner(*change.parent, "parent is not your pad");
    if (!status.IsOk()) return status;
    // A pad below itself would leave its subtree unreachable from the top.
    if (IsSelfOrAbove(db_, id, *change.parent, status)) {
      return status.IsOk() ? Status::Fail(kBadRequest, "parent lies inside the pad") : status;
    }
    if (!status.IsOk()) return status;
  }
  if (change.parent) {
    SqliteStatement current(db_, "SELECT parent FROM pads WHERE id = ?1");
    if (!current.Bind(1, id).Step()) return StoreFailure(db_);
    if (static_cast<PadId>(current.Integer(0)) != *change.parent) {
      status = CheckRoomBelow(*change.parent);
      if (!status.IsOk()) return status;
    }
  }

  // Unbound parameters are NULL, which keeps the stored value.
  SqliteStatement update(db_,
                         "UPDATE pads SET parent = coalesce(?2, parent), x = coalesce(?3, x),"
                         " y = coalesce(?4, y), account = coalesce(?5, account),"
                         " owner_group = coalesce(?6, owner_group) WHERE id = ?1");
  update.Bind(1, id);
  if (change.parent) update.Bind(2, *change.parent);
  if (change.x) update.Bind(3, *change.x);
  if (change.y) update.Bind(4, *change.y);
  // With accounts the owner is who made the pad, whatever the command says.
  if (change.account && user_.empty()) update.Bind(5, *change.account);
  if (change.group) update.Bind(6, *change.group);
  if (!update.Run()) return StoreFailure(db_);

  SqliteStatement put(db_,
                      "INSERT INTO attributes(pad, name, quoted, value) VALUES(?1, ?2, ?3, ?4)"
                      " ON CONFLICT(pad, name) DO UPDATE"
                      " SET quoted = excluded.quoted, value = excluded.value");
  for (const Attribute& attribute : change.attributes) {
    put.Reset();
    put.Bind(1, id).Bind(2, attribute.name).Bind(3, attribute.value.quoted ? 1 : 0);
    if (!put.Bind(4, attribute.value.text).Run()) return StoreFailure(db_);
  }
  if (!change.attributes.empty()) {
    status = CheckAttributeRoom(id);
    if (!status.IsOk()) return status;
  }
  return transaction.Commit() ? Status::Ok() : StoreFailure(db_);
}

Status SqlitePadStore::Get(PadId id, PadRecord& record) {
  SqliteTransaction transaction(db_, SqliteTransaction::kRead);
  if (!transaction.Begun()) return StoreFailure(db_);
  SqliteStatement pad(db_, "SELECT parent, x, y, account, owner_group FROM pads WHERE id = ?1");
  if (!pad.Bind(1, id).Step()) return pad.Failed() ? StoreFailure(db_) : NoSuchPad();
  record = PadRecord();
  record.id = id;
  record.parent = static_cast<PadId>(pad.Integer(0));
  record.x = static_cast<std::int32_t>(pad.Integer(1));
  record.y = static_cast<std::int32_t>(pad.Integer(2));
  record.account = pad.Text(3);
  record.group = pad.Text(4);

  SqliteStatement attributes(
      db_, "SELECT name, quoted, value FROM attributes WHERE pad = ?1 ORDER BY rowid");
  attributes.Bind(1, id);
  while (attributes.Step()) {
    record.attributes.push_back(Attribute{
        attributes.Text(0), AttributeValue{attributes.Text(2), attributes.Integer(1) != 0}});
  }
  if (attributes.Failed()) return StoreFailure(db_);
  return Status::Ok();
}

Status SqlitePadStore::Children(PadId parent, std::vector<PadId>& children) {
  children.clear();
  SqliteTransaction transaction(db_, SqliteTransaction::kRead);
  if (!transaction.Begun()) return StoreFailure(db_);
  Status status;
  if (parent != kNoParent && !Exists(db_, parent, status))
    return status.IsOk() ? NoSuchPad() : status;
  // Identifiers grow with every new pad, so their order is the creation order.
  SqliteStatement query(db_, "SELECT id FROM pads WHERE parent = ?1 ORDER BY id");
  query.Bind(1, parent);
  while (query.Step()) children.push_back(static_cast<PadId>(query.Integer(0)));
  if (query.Failed()) return StoreFailure(db_);
  return Status::Ok();
}

Status SqlitePadStore::Delete(PadId id, std::vector<PadId>& removed) {
  removed.clear();
  SqliteTransaction transaction(db_, SqliteTransaction::kWrite);
  if (!transaction.Begun()) return StoreFailure(db_);
  Status status;
  if (!Exists(db_, id, status)) return status.IsOk() ? NoSuchPad() : status;

  SqliteStatement subtree(db_, (std::string(kSubtree) + "SELECT pad FROM subtree").c_str());
  subtree.Bind(1, id);
  while (subtree.Step()) removed.push_back(static_cast<PadId>(subtree.Integer(0)));
  if (subtree.Failed()) return StoreFailure(db_);
  for (PadId pad : removed) {
    status = CheckOwner(pad, "not your pad");
    if (!status.IsOk()) {
      removed.clear();
      return status;
    }
  }

  SqliteStatement attributes(
      db_, (std::string(kSubtree) + "DELETE FROM attributes WHERE pad IN subtree").c_str());
  SqliteStatement pads(db_,
                       (std::string(kSubtree) + "DELETE FROM pads WHERE id IN subtree").c_str());
  // The attributes go first: the pads they hang on still name the subtree.
  if (!attributes.Bind(1, id).Run() || !pads.Bind(1, id).Run()) return StoreFailure(db_);
  if (!transaction.Commit()) {
    removed.clear();
    return StoreFailure(db_);
  }
  return Status::Ok();
}

}  // namespace padserver
