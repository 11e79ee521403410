#include "client/WorkerTable.h"

#include "client/RequestType.h"

namespace {

// Indexed by the type code; slot 0 is unused. The request workers take their
// slots here as they come.
WorkerProcedure workers[kRequestGetFile + 1] = {};

bool IsTypeCode(int type) { return type >= kRequestNewID && type <= kRequestGetFile; }

}  // namespace

WorkerProcedure FindWorker(int type) { return IsTypeCode(type) ? workers[type] : nullptr; }

WorkerProcedure InstallWorker(int type, WorkerProcedure worker) {
  if (!IsTypeCode(type)) return nullptr;
  WorkerProcedure previous = workers[type];
  workers[type] = worker;
  return previous;
}
