// The shared store's tables, which the pad records (PostgresPadStore.h) and
// the file area (PostgresFileArea.h) share, and its transaction locks.
//
// The tables are made by the first connection that finds none; the one-row
// table pad_store_version says which schema they hold. A store of an older
// schema is brought up to this one, and a store of a newer schema than this
// server knows is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "padserver/PostgresConnection.h"

namespace padserver {

// The schema this server writes and reads.
constexpr int kStoreSchemaVersion = 2;
// How long a statement waits for another transaction's lock.
constexpr int kStoreLockTimeoutMilliseconds = 10000;

// The store's transaction locks, (kStoreLockSpace + kind, key) pairs. The
// schema lock is held while the tables are made, so that of several
// connections meeting an empty database one makes them and the others find
// them made; the shape lock while a pad moves or a subtree goes; a room
// lock, keyed by the parent, while a child is added; a file lock, keyed by
// the file's folder and name, while a file is put in place or removed.
constexpr int kStoreLockSpace = 0x50616453;  // the store's own class of locks
enum StoreLock { kSchemaLock = 1, kShapeLock = 2, kRoomLocks = 3, kFileLocks = 4 };

// Connects to the database `uri` names, with the store's lock time-out, and
// makes or upgrades its tables. Null, with the reason in `status`, when that
// fails. The connection of an earlier request in the same process is taken
// again when it is still sound, and this one is kept for a later request.
std::unique_ptr<PostgresConnection> OpenStoreDatabase(const std::string& uri, Status& status);

// Takes the transaction's lock `key` of kind `lock`: 503 after the time-out.
Status LockStore(PostgresConnection& db, StoreLock lock, std::int64_t key);

}  // namespace padserver
