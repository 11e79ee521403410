#include "bazaro/BazaroComm.h"

#include <new>

#include "client/BasicToken.h"
#include "client/BazaroCommState.h"
#include "client/Credentials.h"
#include "client/FileRemoval.h"
#include "client/KernelHeapAllocation.h"
#include "client/ProxyFile.h"
#include "client/Reasons.h"
#include "client/Task.h"
#include "client/TrustFiles.h"
#include "client/WorkerRun.h"
#include "client/WorkerTable.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "os/Thread.h"
#include "protocol/ScopedTempFile.h"

namespace {

// How often the caller's thread looks for the end of a running task: short,
// since a report waits on average half of it behind the exchange.
constexpr unsigned int kPollPeriodMilliseconds = 10;
// Files are copied in blocks of this size.
constexpr unsigned long kCopyBlockSize = 4096;

char* UserDirectory() { return kernel::Text(MwGetEnvironment("Mosaikon", "MKUSRDIR")); }

// Releases a file name that a request prepared: the file goes from the disk.
void DiscardFile(char*& file) {
  if (file == nullptr) return;
  client::RemoveFileFromDisk(file);
  FreeString(&file);
  file = nullptr;
}

// Pads waiting in the undo buffer for final deletion are deleted before a
// pad is saved, so that the file does not describe pads the user removed.
void DeletePendingPads(MkPadView* view) {
  MkDeskTop* desktop = view->GetDeskTop();
  MkPadManager* manager = desktop != nullptr ? desktop->get_padmanager() : nullptr;
  UndoBuffer* buffer = manager != nullptr ? manager->getUndoBuffer() : nullptr;
  if (buffer != nullptr) buffer->RealDeletePad();
}

// Stops and deletes the client's timer, if it has one.
void StopTimer(MwTimer*& timer) {
  if (timer == nullptr) return;
  timer->Stop();
  delete timer;
  timer = nullptr;
}

// Copies the file `from` into the existing file `to`. False when either
// cannot be opened or not every byte reached `to`: a partial copy must not be
// sent as if it were the file.
bool CopyFileContents(char* from, const char* to) {
  MwPath fromPath(from, nullptr);
  MwPath toPath(kernel::Text(to), nullptr);
  MwFile source(&fromPath);
  MwFile target(&toPath);
  if (!source.Open(MW_OPEN_READ) || !target.Open(MW_OPEN_WRITE)) return false;
  char block[kCopyBlockSize];
  bool complete = true;
  for (;;) {
    unsigned long count = source.Read(block, sizeof block);
    if (count != 0 && target.Write(block, count) != count) complete = false;
    if (count < sizeof block || !complete) break;
  }
  source.Close();
  if (!target.Close()) complete = false;
  return complete;
}

}  // namespace

BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(BazaroComm)

BazaroComm::BazaroComm()
    : pad(nullptr),
      task(nullptr),
      busy(0),
      threadEnded(1),
      timer(nullptr),
      thread(nullptr),
      useProxy(0),
      proxyHost(nullptr),
      proxyPort(0),
      state_(new (std::nothrow) BazaroCommState),
      run(nullptr) {
  ResetProxy();
}

// A running worker is cut off, not waited for: its connection is shut down
// and it never reaches this client again. The task's file goes from the disk
// now; the task itself stays with the worker until it ends.
BazaroComm::~BazaroComm() {
  StopTimer(timer);
  if (run != nullptr) {
    // A worker that has ended leaves its outcome, and the files in it, to
    // this client's result, which removes them below.
    if (run->Detach()) result.TakeOver(*run->QueryResult());
    run->CutOff();
  }
  if (thread != nullptr) {
    os::ReleaseThread(thread);
    thread = nullptr;
  }
  if (task != nullptr) client::RemoveFileFromDisk(task->File());
  DropTask();
  FreeString(&proxyHost);
  if (state_ != nullptr) {
    FreeString(&state_->proxyPattern);
    FreeString(&state_->token);
    delete state_;  // its queue deletes the cancelled tasks and their files
  }
}

char BazaroComm::SetHost(const char* address) { return hostInfo.SetInfo(address); }

char BazaroComm::SetTrustFile(const char* caFile) {
  return client::SetProgramTrustFile(caFile) ? 1 : 0;
}

char BazaroComm::SetCredentials(const char* user, const char* password) {
  if (state_ == nullptr) return 0;
  char* token = nullptr;
  if (user != nullptr) {
    token = client::NewBasicToken(user, password != nullptr ? password : "");
    if (token == nullptr) return 0;
  }
  FreeString(&state_->token);
  state_->token = token;
  return 1;
}

char BazaroComm::SetNetrcFile(const char* netrcFile) {
  return client::SetProgramNetrcFile(netrcFile) ? 1 : 0;
}

// Without its state the client cannot run tasks: it takes no callback
// object, so that every request is refused.
void BazaroComm::SetPad(BazaroCommBase* newPad) { pad = state_ != nullptr ? newPad : nullptr; }

char BazaroComm::RequestNewID() {
  if (pad == nullptr) return 0;
  return QueueTask(kRequestNewID, 0, nullptr, 0, 0, 0, 0, nullptr);
}

char BazaroComm::RequestRegist(unsigned long id, MkSimplePad* padObject, int x, int y) {
  return RequestPad(kRequestRegist, id, padObject, x, y);
}

char BazaroComm::RequestUpload(unsigned long parentId, MkSimplePad* padObject, int x, int y) {
  return RequestPad(kRequestUpload, parentId, padObject, x, y);
}

char BazaroComm::RequestDownload(unsigned long id) {
  if (id == 0 || pad == nullptr) return 0;
  return QueueTask(kRequestDownload, id, nullptr, 0, 0, 0, 0, nullptr);
}

char BazaroComm::RequestUpdate(unsigned long id, MkSimplePad* padObject, int x, int y) {
  return RequestPad(kRequestUpdate, id, padObject, x, y);
}

char BazaroComm::RequestMove(unsigned long id, int x, int y) {
  if (id == 0 || pad == nullptr) return 0;
  return QueueTask(kRequestMove, id, nullptr, x, y, 0, 0, nullptr);
}

char BazaroComm::RequestDelete(unsigned long id) {
  if (id == 0 || pad == nullptr) return 0;
  return QueueTask(kRequestDelete, id, nullptr, 0, 0, 0, 0, nullptr);
}

char BazaroComm::RequestGetList(unsigned long parentId, int x, int y, int width, int height) {
  if (parentId == 0 || pad == nullptr) return 0;
  return QueueTask(kRequestGetList, parentId, nullptr, x, y, width, height, nullptr);
}

char BazaroComm::RequestPutFile(char* localFile, char* remoteName) {
  if (localFile == nullptr || remoteName == nullptr) return 0;
  if (pad == nullptr) return 0;
  {
    MwPath localPath(localFile, nullptr);
    MwFile local(&localPath);
    if (!local.IsExist()) return 0;
  }
  protocol::ScopedTempFile file;
  if (file.Name() == nullptr || !CopyFileContents(localFile, file.Name())) return 0;
  char* name = NewString(remoteName);
  if (name == nullptr) return 0;
  return QueueTask(kRequestPutFile, 0, file.Release(), 0, 0, 0, 0, name);
}

char BazaroComm::RequestGetFile(char* remoteName) {
  if (remoteName == nullptr || pad == nullptr) return 0;
  char* name = NewString(remoteName);
  if (name == nullptr) return 0;
  return QueueTask(kRequestGetFile, 0, nullptr, 0, 0, 0, 0, name);
}

// The file reserved by MakeTempFile is kept until the save overwrites it:
// were it removed first, the free name could be taken in between by another
// thread's MakeTempFile, or by a link planted in the shared directory.
char BazaroComm::RequestPad(int type, unsigned long id, MkSimplePad* padObject, int x, int y) {
  if (padObject == nullptr) return 0;
  if (type == kRequestUpdate && id == 0) return 0;
  if (pad == nullptr) return 0;
  MkPadView* view = padObject->get_view();
  MwRectangle* bounds = view != nullptr ? view->GetBounds() : nullptr;
  if (bounds == nullptr) return 0;
  char* file = MakeTempFile(UserDirectory());
  if (file == nullptr) return 0;
  DeletePendingPads(view);
  if (padObject->save(file, 0, MK_SAVE_NORMAL) == 0) {
    DiscardFile(file);
    return 0;
  }
  return QueueTask(type, id, file, x, y, static_cast<int>(bounds->Width()),
                   static_cast<int>(bounds->Height()), nullptr);
}

char BazaroComm::QueueTask(int type, unsigned long id, char* file, int x, int y, int width,
                           int height, char* name) {
  HostInfo* host = hostInfo.Copy();
  Task* newTask = host != nullptr ? new (std::nothrow) Task(type, pad, host) : nullptr;
  if (newTask == nullptr) {
    delete host;
    DiscardFile(file);
    FreeString(&name);
    return 0;
  }
  newTask->SetParams(id, file, x, y, width, height, name);
  if (!que.Put(newTask)) {
    delete newTask;  // removes the file
    return 0;
  }
  NextTask();
  return 1;
}

void BazaroComm::FlushTask() { que.Clear(); }

void BazaroComm::Cancel() {
  if (state_ == nullptr) return;
  for (Task* waiting = que.Get(); waiting != nullptr; waiting = que.Get()) {
    if (!state_->cancelled.Put(waiting)) delete waiting;  // no memory: dropped, its file removed
  }
  // The running task's report comes first; the cancelled ones follow it.
  if (run != nullptr) run->Cancel();
}

char BazaroComm::QueryProgress(unsigned long long* moved, unsigned long long* total) {
  unsigned long long movedNow = 0;
  unsigned long long totalNow = 0;
  bool running = run != nullptr && threadEnded.load(std::memory_order_acquire) == 0 &&
                 run->Progress().running.load();
  if (running) {
    // The total first: a moved count read after it never passes it.
    totalNow = run->Progress().total.load();
    movedNow = run->Progress().moved.load();
  }
  if (moved != nullptr) *moved = movedNow;
  if (total != nullptr) *total = totalNow;
  return running ? 1 : 0;
}

Task* BazaroComm::QueryTask() { return task; }

Result* BazaroComm::QueryResult() { return &result; }

char BazaroComm::QueryResultBool() { return result.Bool(); }

int BazaroComm::QueryResultReason() { return result.Reason(); }

const char* BazaroComm::QueryResultReasonText() {
  return client::ReasonText(result.Reason(), result.ReasonDetail());
}

int BazaroComm::QueryResultStatus() { return state_ != nullptr ? state_->status : 0; }

unsigned long BazaroComm::QueryResultID() { return result.ID(); }

BoothInfo* BazaroComm::QueryResultBooth() { return result.Booth(); }

char* BazaroComm::QueryResultFile() { return result.File(); }

MkSimplePad* BazaroComm::GetResultPad() {
  char* file = result.File();
  return file != nullptr ? load(file, 1) : nullptr;
}

// The hand-over from the worker: everything it wrote happens before this
// store, and WatchTask reads the flag with acquire ordering.
void BazaroComm::ThreadEnd() { threadEnded.store(1, std::memory_order_release); }

void BazaroComm::ResetProxy() {
  useProxy = 0;
  proxyHost = nullptr;
  proxyPort = 0;
  if (state_ == nullptr) return;
  // Without a user directory there is no proxy file to read.
  char* fileName = client::ProxyFileName(UserDirectory());
  if (fileName == nullptr) return;
  client::ProxyWords words;
  int converted = client::ReadProxyWords(fileName, &words);
  if (converted >= 2) {
    proxyHost = NewString(words.host);
    if (proxyHost != nullptr) {
      useProxy = 1;
      proxyPort = static_cast<unsigned short>(words.port & 0xFFFFu);
      if (converted == 3 && words.pattern[0] != '\0') {
        state_->proxyPattern = NewString(words.pattern);
      }
    }
  }
  FreeString(&fileName);
}

// States: Idle (busy 0), Running (busy 1, threadEnded 0, timer and thread
// set), Ended (threadEnded 1), Reporting (inside TaskEnd, timer gone). A task
// that cannot be reported for want of a timer is dropped; one whose worker
// cannot be started ends at once with an empty outcome and is reported at the
// next tick like any other.
void BazaroComm::NextTask() {
  if (busy) return;
  busy = 1;
  DropTask();
  result.Clear();
  if (state_ != nullptr) state_->status = 0;
  // Tasks that Cancel dropped come first, each reported without a worker.
  Task* cancelled = state_ != nullptr ? state_->cancelled.Get() : nullptr;
  task = cancelled != nullptr ? cancelled : que.Get();
  if (task == nullptr) {
    busy = 0;
    return;
  }
  threadEnded.store(0, std::memory_order_relaxed);

  MwTimer* newTimer = nullptr;
  try {
    newTimer = new MwTimer(0);
  } catch (const std::bad_alloc&) {
    newTimer = nullptr;
  }
  if (newTimer != nullptr) {
    watcher.SetParam(this);
    newTimer->SetTimerAction(&watcher);
    if (!newTimer->Start(kPollPeriodMilliseconds)) {
      delete newTimer;
      newTimer = nullptr;
    }
  }
  if (newTimer == nullptr) {
    DropTask();
    threadEnded.store(1, std::memory_order_relaxed);
    busy = 0;
    return;
  }
  timer = newTimer;

  if (cancelled != nullptr) {
    result.SetReason(kReasonCancelled, 0);
    ThreadEnd();
  } else if (!StartWorker()) {
    ThreadEnd();
  }
}

bool BazaroComm::StartWorker() {
  client::WorkerProcedure worker = client::FindWorker(task->Type());
  if (worker == nullptr) return false;
  WorkerRun::Settings settings;
  settings.useProxy = static_cast<char>(useProxy);
  settings.proxyHost = proxyHost != nullptr ? NewString(proxyHost) : nullptr;
  settings.proxyPort = proxyPort;
  settings.proxyPattern =
      state_->proxyPattern != nullptr ? NewString(state_->proxyPattern) : nullptr;
  char* userDirectory = UserDirectory();
  client::TrustFiles(userDirectory, settings.userTrustFile, settings.programTrustFile);
  HostInfo* host = task->Host();
  client::MakeTokens(userDirectory, state_->token, host != nullptr ? host->Host() : nullptr,
                     settings.useProxy ? proxyHost : nullptr, settings.serverToken,
                     settings.proxyToken);
  // Settings the run did not take over go with `settings`.
  run = new (std::nothrow) WorkerRun(this, task, worker, settings);
  if (run == nullptr) return false;
  thread = run->StartThread();
  if (thread == nullptr) {
    run->Release();
    run = nullptr;
    return false;
  }
  return true;
}

void BazaroComm::WatchTask() {
  if (threadEnded.load(std::memory_order_acquire) == 0) return;
  StopTimer(timer);
  // The worker finishes by itself; its thread is not joined.
  if (thread != nullptr) {
    os::ReleaseThread(thread);
    thread = nullptr;
  }
  if (run != nullptr && run->Detach()) {
    result.TakeOver(*run->QueryResult());
    state_->status = run->Status();
  }
  if (task != nullptr && task->Pad() != nullptr) task->Pad()->TaskEnd(task->Type());
  busy = 0;
  NextTask();
}

// A worker that has not ended still reads its task: the run keeps it then.
void BazaroComm::DropTask() {
  if (task != nullptr) {
    if (run == nullptr || !run->KeepTask(task)) delete task;
    task = nullptr;
  }
  if (run != nullptr) {
    run->Release();
    run = nullptr;
  }
}
