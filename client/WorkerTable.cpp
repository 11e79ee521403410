#include "client/WorkerTable.h"
#include "client/WorkerTableForTesting.h"

#include "bazaro/RequestType.h"
#include "client/Workers.h"

namespace client {
namespace {

// Indexed by the type code; slot 0 is unused.
WorkerProcedure workers[kRequestGetFile + 1] = {
    nullptr,    NewIDThread,  RegistThread,  UploadThread,  DownloadThread, UpdateThread,
    MoveThread, DeleteThread, GetListThread, PutFileThread, GetFileThread,
};

bool IsTypeCode(int type) { return type >= kRequestNewID && type <= kRequestGetFile; }

}  // namespace

WorkerProcedure FindWorker(int type) { return IsTypeCode(type) ? workers[type] : nullptr; }

WorkerProcedure InstallWorker(int type, WorkerProcedure worker) {
  if (!IsTypeCode(type)) return nullptr;
  WorkerProcedure previous = workers[type];
  workers[type] = worker;
  return previous;
}

}  // namespace client
