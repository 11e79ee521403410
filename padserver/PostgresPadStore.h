// The shared pad store: one PostgreSQL database that the programs of several
// front ends use at once, each request on a connection of its own.
//
// Every operation is one transaction. Writers run read committed and lock
// what their checks rely on before making them: the pad they change (its
// row), the parent they add a child to (room below it), and the shape of the
// tree for a move or a deletion, so that no check is overtaken by another
// writer before the commit. The locks are always taken in that order:
// shape, pad, parent. A transaction that still meets a deadlock is run
// again, a bounded number of times, before the request is answered 503.
// Readers see one consistent snapshot. The tables are made on first use
// (PostgresSchema.h).
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "padserver/PadStore.h"
#include "padserver/PostgresConnection.h"

namespace padserver {

class PostgresPadStore : public PadStore {
 public:
  // How often a transaction that met a deadlock is run again.
  static constexpr int kMaxAttempts = 20;

  // Connects to the database `uri` names, making the tables on first use.
  // Null, with the reason in `status`, when that fails.
  static std::unique_ptr<PostgresPadStore> Open(const std::string& uri, Status& status);

  void ActFor(std::string user) override { user_ = std::move(user); }
  void SetLimits(const Limits& limits) override { limits_ = limits; }
  Status ClaimFile(const std::string& name) override;
  Status NewPad(PadId& id) override;
  Status Update(PadId id, const PadChange& change) override;
  Status Get(PadId id, PadRecord& record) override;
  Status Children(PadId parent, std::vector<PadId>& children) override;
  Status Delete(PadId id, std::vector<PadId>& removed) override;

 private:
  enum Kind { kRead, kWrite };

  explicit PostgresPadStore(std::unique_ptr<PostgresConnection> connection)
      : db_(std::move(connection)) {}
  // Runs `body` in one transaction of `kind`, again after a lost conflict.
  template <typename Body>
  Status InTransaction(Kind kind, Body body);

  // Whether the pad `id` exists; a failed query shows in `status`.
  bool Exists(PadId id, Status& status);
  // Whether `ancestor` is `pad` itself or lies above it.
  bool IsSelfOrAbove(PadId ancestor, PadId pad, Status& status);
  // With accounts, 403 unless the pad `id` is the acting user's.
  Status CheckOwner(PadId id, const char* refusal);
  // 507 when `parent` already has as many children as the limit allows.
  Status CheckRoomBelow(PadId parent);
  // 413 when the pad `id`'s attributes exceed their limits.
  Status CheckAttributeRoom(PadId id);
  Status UpdateOnce(PadId id, const PadChange& change);

  std::unique_ptr<PostgresConnection> db_;
  std::string user_;
  Limits limits_;
};

}  // namespace padserver
