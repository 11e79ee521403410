// Where pad records live: one small interface, so that a shared database can
// take the place of the embedded one when one host is not enough.
//
// Every operation is one transaction: it happens whole or not at all, also
// when many processes use the same store at once. A failure is a Status:
// 404 for a pad (or parent) that does not exist, 400 for a change the model
// forbids, 503 when no identifier is left, 500 when the store itself failed,
// 413 for a change that would make a pad larger than its Limits allow, and
// 507 for one that would give a parent more children than they allow.
#pragma once

#include <string>
#include <vector>

#include "padserver/Limits.h"
#include "padserver/PadRecord.h"
#include "padserver/Status.h"

namespace padserver {

class PadStore {
 public:
  virtual ~PadStore() = default;

  // With accounts, the operations that follow act for `user`: a new pad
  // belongs to them, only its owner may change, move or delete a pad (403),
  // a pad may be placed only under a pad of the same owner, and a pad's
  // owner is kept whatever a change names. An empty user (no accounts)
  // leaves every pad open to every change.
  virtual void ActFor(std::string user) = 0;

  // The bounds the operations that follow keep to.
  virtual void SetLimits(const Limits& limits) = 0;

  // With accounts, the misc file `name` belongs to whoever first stored it:
  // claims it for the acting user, or 403 when it is another's.
  virtual Status ClaimFile(const std::string& name) = 0;

  // A fresh identifier, never 0 and never handed out before (also not after
  // its pad was deleted), recorded as an existing top pad with default values.
  virtual Status NewPad(PadId& id) = 0;

  // Applies `change` to the pad `id`. A new parent must exist (0 is the top)
  // and must not be the pad itself or one of its descendants.
  virtual Status Update(PadId id, const PadChange& change) = 0;

  // The whole record of the pad `id`.
  virtual Status Get(PadId id, PadRecord& record) = 0;

  // The pads whose parent is `parent`, in the order they were created.
  // `parent` 0 lists the top pads; any other parent must exist.
  virtual Status Children(PadId parent, std::vector<PadId>& children) = 0;

  // Deletes the pad `id` and every pad below it; `removed` lists them all, so
  // that the caller can remove their files. With accounts every one of them
  // must be the acting user's.
  virtual Status Delete(PadId id, std::vector<PadId>& removed) = 0;
};

}  // namespace padserver
