// The file workers: a pad fetched into a local file, and files sent to and
// fetched from the server's file directory.
#include "bazaro/Result.h"
#include "client/Task.h"
#include "client/WorkerFrame.h"
#include "client/Workers.h"
#include "protocol/ScopedTempFile.h"

using client::WorkerFrame;

namespace {

// Reserves a local file and lets `fetch` fill it. The file's name when the
// fetch succeeded; otherwise null, and the file is gone from the disk.
template <typename Fetch>
char* FetchIntoNewFile(Fetch fetch) {
  protocol::ScopedTempFile local;
  if (local.Name() == nullptr || !fetch(local.Name())) return nullptr;
  return local.Release();
}

}  // namespace

unsigned long DownloadThread(WorkerRun* run) {
  WorkerFrame frame(run);
  unsigned long id = frame.TheTask().ID();
  char* file =
      FetchIntoNewFile([&](const char* local) { return frame.Server().DownloadPad(id, local); });
  frame.Outcome().SetFile(file);
  frame.End();
  return 0;
}

unsigned long GetFileThread(WorkerRun* run) {
  WorkerFrame frame(run);
  const char* name = frame.TheTask().Name();
  char* file =
      FetchIntoNewFile([&](const char* local) { return frame.Server().GetFile(name, local); });
  frame.Outcome().SetFile(file);
  frame.End();
  return 0;
}

// Sends the copy that the request made on the caller's thread; the task
// removes that copy when it goes.
unsigned long PutFileThread(WorkerRun* run) {
  WorkerFrame frame(run);
  const Task& task = frame.TheTask();
  bool sent = frame.Server().PutFile(task.Name(), task.File()) == 0;
  frame.Outcome().SetBool(sent ? 1 : 0);
  frame.End();
  return 0;
}
