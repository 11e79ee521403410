#include "padserver/PostgresPadStore.h"

#include <chrono>
#include <limits>
#include <random>
#include <thread>

#include "padserver/PostgresSchema.h"
#include "padserver/ServerLog.h"

namespace padserver {

namespace {

constexpr PadId kLargestId = std::numeric_limits<PadId>::max();
// The longest pause before a transaction that lost a conflict runs again.
constexpr int kMaxRetryPauseMilliseconds = 50;

Status NoSuchPad() { return Status::Fail(kNotFound, "no such pad"); }

}  // namespace

std::unique_ptr<PostgresPadStore> PostgresPadStore::Open(const std::string& uri, Status& status) {
  std::unique_ptr<PostgresConnection> connection = OpenStoreDatabase(uri, status);
  if (connection == nullptr) return nullptr;
  return std::unique_ptr<PostgresPadStore>(new PostgresPadStore(std::move(connection)));
}

template <typename Body>
Status PostgresPadStore::InTransaction(Kind kind, Body body) {
  std::minstd_rand random(std::random_device{}());
  const char* begin = kind == kWrite ? "BEGIN ISOLATION LEVEL READ COMMITTED"
                                     : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY";
  for (int attempt = 1;; ++attempt) {
    Status status = db_->Run(begin) ? body() : db_->Failure();
    bool retryable = db_->Retryable();
    if (status.IsOk()) {
      if (db_->Run("COMMIT")) return status;
      status = db_->Failure();
      retryable = db_->Retryable();
    } else {
      db_->RunScript("ROLLBACK");
    }
    if (!retryable || attempt == kMaxAttempts) return status;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(1 + random() % kMaxRetryPauseMilliseconds));
  }
}

bool PostgresPadStore::Exists(PadId id, Status& status) {
  PostgresResult rows;
  if (!db_->Run("SELECT 1 FROM pads WHERE id = $1", PostgresParams().Add(id), rows)) {
    status = db_->Failure();
    return false;
  }
  return rows.Rows() > 0;
}

bool PostgresPadStore::IsSelfOrAbove(PadId ancestor, PadId pad, Status& status) {
  PostgresResult rows;
  if (!db_->Run("WITH RECURSIVE up(pad) AS ("
                "  SELECT $1::bigint UNION SELECT parent FROM pads JOIN up ON pads.id = up.pad"
                "  WHERE parent <> 0) "
                "SELECT 1 FROM up WHERE pad = $2::bigint",
                PostgresParams().Add(pad).Add(ancestor), rows)) {
    status = db_->Failure();
    return false;
  }
  return rows.Rows() > 0;
}

Status PostgresPadStore::CheckOwner(PadId id, const char* refusal) {
  if (user_.empty()) return Status::Ok();
  PostgresResult owner;
  if (!db_->Run("SELECT account FROM pads WHERE id = $1", PostgresParams().Add(id), owner)) {
    return db_->Failure();
  }
  if (owner.Rows() == 0) return NoSuchPad();
  return owner.Bytes(0, 0) == user_ ? Status::Ok() : Status::Fail(kForbidden, refusal);
}

Status PostgresPadStore::CheckRoomBelow(PadId parent) {
  // The key is the parent's 32 bits, read as a signed integer.
  Status locked = LockStore(*db_, kRoomLocks, static_cast<std::int32_t>(parent));
  if (!locked.IsOk()) return locked;
  PostgresResult count;
  if (!db_->Run("SELECT count(*) FROM pads WHERE parent = $1", PostgresParams().Add(parent),
                count)) {
    return db_->Failure();
  }
  if (static_cast<std::uint64_t>(count.Integer(0, 0)) >= limits_.maxChildren) {
    return Status::Fail(kInsufficientStorage, "too many children");
  }
  return Status::Ok();
}

Status PostgresPadStore::CheckAttributeRoom(PadId id) {
  PostgresResult size;
  if (!db_->Run("SELECT count(*), coalesce(sum(octet_length(name) + octet_length(value)), 0)"
                " FROM attributes WHERE pad = $1",
                PostgresParams().Add(id), size)) {
    return db_->Failure();
  }
  if (static_cast<std::uint64_t>(size.Integer(0, 0)) > limits_.maxAttributes) {
    return Status::Fail(kPayloadTooLarge, "too many attributes");
  }
  if (static_cast<std::uint64_t>(size.Integer(0, 1)) > limits_.maxAttributeBytes) {
    return Status::Fail(kPayloadTooLarge, "attributes too large");
  }
  return Status::Ok();
}

Status PostgresPadStore::ClaimFile(const std::string& name) {
  if (user_.empty()) return Status::Ok();
  return InTransaction(kWrite, [&] {
    PostgresParams claim;
    claim.AddBytes(name).AddBytes(user_);
    if (!db_->Run("INSERT INTO files(name, owner) VALUES($1::bytea, $2::bytea)"
                  " ON CONFLICT(name) DO NOTHING",
                  claim)) {
      return db_->Failure();
    }
    PostgresResult owner;
    if (!db_->Run("SELECT owner FROM files WHERE name = $1::bytea", PostgresParams().AddBytes(name),
                  owner) ||
        owner.Rows() != 1) {
      return db_->Failure();
    }
    return owner.Bytes(0, 0) == user_ ? Status::Ok() : Status::Fail(kForbidden, "not your file");
  });
}

Status PostgresPadStore::NewPad(PadId& id) {
  id = 0;
  std::int64_t made = 0;
  Status status = InTransaction(kWrite, [&] {
    Status room = CheckRoomBelow(kNoParent);
    if (!room.IsOk()) return room;
    PostgresResult row;
    bool inserted =
        user_.empty()
            ? db_->Run("INSERT INTO pads DEFAULT VALUES RETURNING id", PostgresParams(), row)
            : db_->Run("INSERT INTO pads(account) VALUES($1::bytea) RETURNING id",
                       PostgresParams().AddBytes(user_), row);
    if (!inserted || row.Rows() != 1) return db_->Failure();
    made = row.Integer(0, 0);
    // Identifiers travel as unsigned 32-bit numbers. The sequence has moved
    // on all the same, so every later request is refused the same way.
    if (made <= 0 || made > static_cast<std::int64_t>(kLargestId)) {
      return Status::Fail(kUnavailable, "no pad identifier left");
    }
    return Status::Ok();
  });
  if (status.IsOk()) id = static_cast<PadId>(made);
  return status;
}

Status PostgresPadStore::Update(PadId id, const PadChange& change) {
  return InTransaction(kWrite, [&] { return UpdateOnce(id, change); });
}

Status PostgresPadStore::UpdateOnce(PadId id, const PadChange& change) {
  Status status;
  if (change.parent) {
    status = LockStore(*db_, kShapeLock, 0);
    if (!status.IsOk()) return status;
  }
  // The pad's row stays as it is read until the commit.
  PostgresResult pad;
  if (!db_->Run("SELECT account, parent FROM pads WHERE id = $1 FOR UPDATE",
                PostgresParams().Add(id), pad)) {
    return db_->Failure();
  }
  if (pad.Rows() == 0) return NoSuchPad();
  if (!user_.empty() && pad.Bytes(0, 0) != user_) return Status::Fail(kForbidden, "not your pad");
  if (change.parent && *change.parent != kNoParent) {
    if (!Exists(*change.parent, status)) {
      return status.IsOk() ? Status::Fail(kNotFound, "no such parent") : status;
    }
    status = CheckOwner(*change.parent, "parent is not your pad");
    if (!status.IsOk()) return status;
    // A pad below itself would leave its subtree unreachable from the top.
    if (IsSelfOrAbove(id, *change.parent, status)) {
      return Status::Fail(kBadRequest, "parent lies inside the pad");
    }
    if (!status.IsOk()) return status;
  }
  if (change.parent && static_cast<PadId>(pad.Integer(0, 1)) != *change.parent) {
    status = CheckRoomBelow(*change.parent);
    if (!status.IsOk()) return status;
  }

  // NULL keeps the stored value.
  PostgresParams update;
  update.Add(id);
  change.parent ? update.Add(*change.parent) : update.AddNull();
  change.x ? update.Add(*change.x) : update.AddNull();
  change.y ? update.Add(*change.y) : update.AddNull();
  // With accounts the owner is who made the pad, whatever the command says.
  change.account&& user_.empty() ? update.AddBytes(*change.account) : update.AddNull();
  change.group ? update.AddBytes(*change.group) : update.AddNull();
  if (!db_->Run("UPDATE pads SET parent = coalesce($2::bigint, parent),"
                " x = coalesce($3::integer, x), y = coalesce($4::integer, y),"
                " account = coalesce($5::bytea, account),"
                " owner_group = coalesce($6::bytea, owner_group) WHERE id = $1::bigint",
                update)) {
    return db_->Failure();
  }

  for (const Attribute& attribute : change.attributes) {
    PostgresParams put;
    put.Add(id).AddBytes(attribute.name).Add(attribute.value.quoted ? 1 : 0);
    put.AddBytes(attribute.value.text);
    if (!db_->Run("INSERT INTO attributes(pad, name, quoted, value)"
                  " VALUES($1::bigint, $2::bytea, $3::integer <> 0, $4::bytea)"
                  " ON CONFLICT(pad, name) DO UPDATE"
                  " SET quoted = excluded.quoted, value = excluded.value",
                  put)) {
      return db_->Failure();
    }
  }
  if (!change.attributes.empty()) return CheckAttributeRoom(id);
  return Status::Ok();
}

Status PostgresPadStore::Get(PadId id, PadRecord& record) {
  return InTransaction(kRead, [&] {
    PostgresResult pad;
    if (!db_->Run("SELECT parent, x, y, account, owner_group FROM pads WHERE id = $1",
                  PostgresParams().Add(id), pad)) {
      return db_->Failure();
    }
    if (pad.Rows() == 0) return NoSuchPad();
    record = PadRecord();
    record.id = id;
    record.parent = static_cast<PadId>(pad.Integer(0, 0));
    record.x = static_cast<std::int32_t>(pad.Integer(0, 1));
    record.y = static_cast<std::int32_t>(pad.Integer(0, 2));
    record.account = pad.Bytes(0, 3);
    record.group = pad.Bytes(0, 4);

    PostgresResult attributes;
    if (!db_->Run("SELECT name, quoted::integer, value FROM attributes WHERE pad = $1"
                  " ORDER BY position",
                  PostgresParams().Add(id), attributes)) {
      return db_->Failure();
    }
    for (int row = 0; row < attributes.Rows(); ++row) {
      record.attributes.push_back(
          Attribute{attributes.Bytes(row, 0),
                    AttributeValue{attributes.Bytes(row, 2), attributes.Integer(row, 1) != 0}});
    }
    return Status::Ok();
  });
}

Status PostgresPadStore::Children(PadId parent, std::vector<PadId>& children) {
  return InTransaction(kRead, [&] {
    children.clear();
    Status status;
    if (parent != kNoParent && !Exists(parent, status)) {
      return status.IsOk() ? NoSuchPad() : status;
    }
    // Identifiers grow with every new pad, so their order is the creation order.
    PostgresResult rows;
    if (!db_->Run("SELECT id FROM pads WHERE parent = $1 ORDER BY id", PostgresParams().Add(parent),
                  rows)) {
      return db_->Failure();
    }
    for (int row = 0; row < rows.Rows(); ++row) {
      children.push_back(static_cast<PadId>(rows.Integer(row, 0)));
    }
    return Status::Ok();
  });
}

Status PostgresPadStore::Delete(PadId id, std::vector<PadId>& removed) {
  Status status = InTransaction(kWrite, [&] {
    removed.clear();
    Status found = LockStore(*db_, kShapeLock, 0);
    if (!found.IsOk()) return found;
    if (!Exists(id, found)) return found.IsOk() ? NoSuchPad() : found;
    PostgresResult subtree;
    if (!db_->Run("WITH RECURSIVE subtree(pad) AS (SELECT $1::bigint UNION"
                  " SELECT pads.id FROM pads JOIN subtree ON pads.parent = subtree.pad) "
                  "SELECT pad FROM subtree",
                  PostgresParams().Add(id), subtree)) {
      return db_->Failure();
    }
    for (int row = 0; row < subtree.Rows(); ++row) {
      removed.push_back(static_cast<PadId>(subtree.Integer(row, 0)));
    }
    for (PadId pad : removed) {
      Status owner = CheckOwner(pad, "not your pad");
      if (!owner.IsOk()) return owner;
    }
    // The pads go first, waiting for the changes still made to them; the
    // attributes those changes added are then seen and go too.
    std::string list = "{";
    for (PadId pad : removed) list += std::to_string(pad) + ",";
    list.back() = '}';
    PostgresParams pads;
    pads.AddText(list);
    if (!db_->Run("DELETE FROM pads WHERE id = ANY($1::bigint[])", pads) ||
        !db_->Run("DELETE FROM attributes WHERE pad = ANY($1::bigint[])", pads)) {
      return db_->Failure();
    }
    return Status::Ok();
  });
  if (!status.IsOk()) removed.clear();
  return status;
}

}  // namespace padserver
