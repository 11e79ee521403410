// BazaroComm: the client through which a pad shares pads with a pad server.
//
// Contract.
// - Threads. Construct, use and destroy a client on one thread, the caller's
//   thread, whose loop runs the platform timers (a message loop on Windows,
//   MwRunLoop elsewhere). Every request returns at once; each task runs on a
//   worker thread of its own, one task at a time, and a 10 ms timer on the
//   caller's thread sees its end. The client then calls TaskEnd on the task's
//   BazaroCommBase, on the caller's thread, never from a worker.
// - Outcomes. The query operations (QueryResultBool, QueryResultID,
//   QueryResultBooth, QueryResultFile, GetResultPad) give the outcome of a
//   task only inside its TaskEnd: right after TaskEnd returns, the client
//   frees the list and removes the fetched file from the disk. Copy a list
//   with CopyBooth, copy a file, or load a pad with GetResultPad, inside
//   TaskEnd. A failed task shows as a neutral outcome (0, false or null),
//   and QueryResultReason says why.
// - Requests. Each request returns 1 when its task was queued and 0 when it
//   was refused; a refused request leaves nothing behind. Every request is
//   refused until SetPad has named a callback object. Requests may be made
//   inside TaskEnd; they start after it returns.
// - Ownership. The client owns its queue, its current task and its result;
//   a task owns its copy of the server address and its temporary file; the
//   result owns its list and its file. Lists and strings handed out come
//   from the kernel heap (MwDelete, FreeString); pads from GetResultPad belong
//   to the caller. The client keeps, but does not own, the callback object.
// - Destruction never waits for the server: a task still running is cut off
//   (its connection shut down, no TaskEnd), waiting tasks are dropped, and the
//   client's temporary files are removed. Do not destroy a client from inside
//   its own TaskEnd. Cancel ends the tasks the same way but reports each.
// - Binary interface: pads allocate the client themselves, so its size and
//   layout stay as they are within a major version; new state lives behind
//   the private pointer `state_`.
// - Nothing is thrown: errors are values.
#pragma once

#include <atomic>
#include <cstddef>

#include "bazaro/BazaroCommBase.h"
#include "bazaro/BazaroCommExport.h"
#include "bazaro/BazaroWatcher.h"
#include "bazaro/BoothInfo.h"
#include "bazaro/HostInfo.h"
#include "bazaro/MemoryErrorHandle.h"
#include "bazaro/Que.h"
#include "bazaro/Reason.h"
#include "bazaro/RequestType.h"
#include "bazaro/Result.h"
#include "bazaro/TempFile.h"
#include "mkcore/MkSimplePad.h"
#include "mkres/MwTimer.h"

class Task;
class WorkerRun;
struct BazaroCommState;
namespace os {
class ThreadHandle;
}

class BAZAROCOMM_API BazaroComm {
 public:
  // Reads the proxy file once; contacts no server and starts no thread.
  BazaroComm();
  virtual ~BazaroComm();
  BazaroComm(const BazaroComm&) = delete;
  BazaroComm& operator=(const BazaroComm&) = delete;

  // From and to the kernel heap, whichever module creates or deletes; a
  // failed `new` yields null.
  static void* operator new(std::size_t size) noexcept;
  static void* operator new[](std::size_t size) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete[](void* block) noexcept;

  // The server address "host:port/path" for requests made from now on
  // (HostInfo::SetInfo); queued tasks keep theirs. 0, keeping the previous
  // address, for null or a text with a part longer than 255 characters.
  char SetHost(const char* address);
  // For every client of this program: with an "https://" address, trust the
  // certificates of the PEM file `caFile` besides the system's roots and the
  // user's bazaro/ca.pem (in the platform user directory). Tasks started from
  // now on use it. 1 when set; 0, keeping the previous file, when the file
  // cannot be opened. Null names none again (1).
  static char SetTrustFile(const char* caFile);
  // Credentials for this client's server, for tasks started from now on:
  // sent as HTTP Basic authorization, and only to "https://" addresses. Null
  // `user` goes back to the netrc file. 0, keeping the previous ones, for a
  // user holding ':' or a control character, or a password holding a
  // control character.
  char SetCredentials(const char* user, const char* password);
  // For every client of this program: read credentials from the netrc file
  // `netrcFile` instead of the user's bazaro/netrc (in the platform user
  // directory). Entries name the server's host, or the proxy's for proxy
  // authorization. Null goes back to the user's file. Always 1.
  static char SetNetrcFile(const char* netrcFile);
  // The callback object for requests made from now on (not owned); null
  // makes every request fail.
  void SetPad(BazaroCommBase* pad);

  // Requests: 1 when queued, 0 when refused. The pad requests save `padObject`
  // to a temporary file on the caller's thread; RequestPutFile copies
  // `localFile` to one. Identifiers are refused as 0 where noted.
  char RequestNewID();
  // Store a pad under an identifier from RequestNewID (0 accepted).
  char RequestRegist(unsigned long id, MkSimplePad* padObject, int x, int y);
  // Store a pad as a new pad below `parentId` (0 accepted); outcome: its id.
  char RequestUpload(unsigned long parentId, MkSimplePad* padObject, int x, int y);
  // Fetch pad `id` (not 0) into a local file.
  char RequestDownload(unsigned long id);
  // Replace pad `id` (not 0) with `padObject`, its position and size.
  char RequestUpdate(unsigned long id, MkSimplePad* padObject, int x, int y);
  // Change the position of pad `id` (not 0).
  char RequestMove(unsigned long id, int x, int y);
  // Delete pad `id` (not 0).
  char RequestDelete(unsigned long id);
  // List the pads below `parentId` (not 0); the four numbers are merged into
  // every entry before the server's values for it.
  char RequestGetList(unsigned long parentId, int x, int y, int width, int height);
  // Send the existing file `localFile` to the server as `remoteName`.
  char RequestPutFile(char* localFile, char* remoteName);
  // Fetch the server file `remoteName` into a local file.
  char RequestGetFile(char* remoteName);

  // Drops every waiting task unreported; a running task goes on and is
  // reported.
  void FlushTask();
  // Ends the running task the way destruction cuts it off and drops the
  // waiting ones, leaving no temporary file; each is still reported once in
  // TaskEnd, with the reason kReasonCancelled (a task that completed before
  // the cut reports its outcome). Requests made afterwards run as usual.
  void Cancel();
  // While a transfer runs (pad upload, registration, update and download,
  // file put and get): 1, with the body bytes moved so far in `moved` and
  // their total in `total` (0 until known). Otherwise 0, both 0. Reading on
  // the caller's thread at any time is safe; `moved` only grows.
  char QueryProgress(unsigned long long* moved, unsigned long long* total);

  // The current task, owned by the client: an opaque handle to callers.
  Task* QueryTask();
  // The client's own result holder.
  Result* QueryResult();
  // The outcome of the task being reported; see the contract above.
  char QueryResultBool();
  unsigned long QueryResultID();
  BoothInfo* QueryResultBooth();
  char* QueryResultFile();
  // Why the task being reported failed (a BazaroReason), and a short English
  // line saying so for a user; kReasonNone and "" when the client can name
  // no cause. The text is static: do not free it.
  int QueryResultReason();
  const char* QueryResultReasonText();
  // The HTTP status of the response that refused the task, or 0.
  int QueryResultStatus();
  // The fetched file loaded as a pad, owned by the caller; null when the
  // result holds no file or the file is not a pad.
  MkSimplePad* GetResultPad();

  // Marks the running task as ended. Workers signal through their run, which
  // calls this; the next timer tick reports the task.
  void ThreadEnd();

 private:
  friend class BazaroWatcher;

  // Fills the proxy fields from the proxy file.
  void ResetProxy();
  // Takes up the next task if none is running or being reported.
  void NextTask();
  // The end-of-task check of each timer tick.
  void WatchTask();

  // Saves `padObject` for a pad request and queues its task.
  char RequestPad(int type, unsigned long id, MkSimplePad* padObject, int x, int y);
  // Queues a task with the given parameters, taking over `file` and `name`;
  // on failure they are released (the file removed) and 0 is returned.
  char QueueTask(int type, unsigned long id, char* file, int x, int y, int width, int height,
                 char* name);
  // Starts the worker of the current task; false when none could be started.
  bool StartWorker();
  // Lets go of the current task and its run.
  void DropTask();

  HostInfo hostInfo;
  BazaroCommBase* pad;  // not owned
  Que que;
  Result result;
  Task* task;
  unsigned char busy;
  std::atomic<unsigned char> threadEnded;
  MwTimer* timer;
  BazaroWatcher watcher;
  os::ThreadHandle* thread;
  unsigned char useProxy;
  char* proxyHost;
  unsigned short proxyPort;
  // Where the no-proxy pattern was: the state added since, so that the
  // object keeps its size (client/BazaroCommState.h). Null when it could not
  // be made: every request is refused then.
  BazaroCommState* state_;
  WorkerRun* run;  // shared with the running task's worker, or null
};
