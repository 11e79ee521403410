// pad-cgi: one pad command per request.
#include "padserver/DirectoryFileArea.h"
#include "padserver/HttpResponse.h"
#include "padserver/PadCommands.h"
#include "padserver/PostgresFileArea.h"
#include "padserver/PostgresPadStore.h"
#include "padserver/Programs.h"
#include "padserver/SqlitePadStore.h"

namespace padserver {

std::unique_ptr<PadStore> OpenRecordStore(const std::string& store, const DataDirectory& data,
                                          Status& status) {
  if (!store.empty()) return PostgresPadStore::Open(store, status);
  return SqlitePadStore::Open(data.DatabasePath(), status);
}

std::unique_ptr<FileArea> OpenFileArea(const std::string& store, const DataDirectory& data,
                                       Status& status) {
  if (!store.empty()) return PostgresFileArea::Open(store, status);
  status = Status::Ok();
  return std::unique_ptr<FileArea>(new DirectoryFileArea(data));
}

std::unique_ptr<PadStore> OpenPadStore(const CgiRequest& request, const DataDirectory& data,
                                       Status& status) {
  status = data.Prepare();
  if (!status.IsOk()) return nullptr;
  std::unique_ptr<PadStore> store = OpenRecordStore(request.store, data, status);
  if (store != nullptr) {
    Limits limits;
    request.ReadLimits(limits);
    store->ActFor(request.remoteUser);
    store->SetLimits(limits);
  }
  return store;
}

int RunCommandProgram(const CgiRequest& request) {
  std::string text;
  Status status = request.ReadShortBody(text);
  Command command;
  if (status.IsOk()) status = ReadCommand(text, command);

  std::string reply;
  if (status.IsOk()) {
    DataDirectory data(request.dataDirectory);
    std::unique_ptr<PadStore> store = OpenPadStore(request, data, status);
    std::vector<PadId> removed;
    if (store != nullptr) status = RunPadCommand(*store, command, reply, removed);
    // The records are gone; a file left by a failed removal is never served,
    // since a pad file is served only for an existing pad, and the sweep
    // removes it.
    if (!removed.empty()) {
      Status opened;
      std::unique_ptr<FileArea> files = OpenFileArea(request.store, data, opened);
      for (PadId id : removed) {
        if (files == nullptr) break;
        files->Remove(Folder::kPads, PadFileName(id));
      }
    }
  }
  return WriteReply(*request.streams, status, reply) ? 0 : 1;
}

}  // namespace padserver
