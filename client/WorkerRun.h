// What a worker shares with its client while it runs one task (internal to
// the library).
//
// A worker never holds the client itself: it reads the task and the proxy
// setting and writes its outcome through this object, which is counted and
// lives until both the client and the worker have let go. So the client can
// be destroyed while its worker still talks to the server: destruction cuts
// the run off (CutOff), which shuts down what the worker registered (its
// connection) so that it ends soon, and from then on nothing the worker does
// reaches the client. The task stays alive for the worker until it ends.
//
// Threads: the worker calls the operations under "For the worker"; the client
// calls the others on the caller's thread.
#pragma once

#include <atomic>
#include <mutex>

#include "bazaro/Result.h"
#include "client/WorkerTable.h"
#include "os/Thread.h"
#include "transport/TransferProgress.h"

class BazaroComm;
class Task;

class WorkerRun {
 public:
  // What a worker registers to be shut down when the run is cut off; it must
  // be quick and must not wait for the worker.
  typedef void (*Shutdown)(void* context);

  // What a run copies from its client when it starts: owned platform
  // strings (each may be null), taken over by the run; whatever is left
  // goes with the settings.
  struct Settings {
    Settings() = default;
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    char useProxy = 0;
    char* proxyHost = nullptr;
    unsigned short proxyPort = 0;
    char* proxyPattern = nullptr;
    // The certificate files trusted besides the system's roots.
    char* userTrustFile = nullptr;
    char* programTrustFile = nullptr;
    // Basic authorization tokens for the server and for the proxy.
    char* serverToken = nullptr;
    char* proxyToken = nullptr;
  };

  // A run of `task` by `worker` for `client`; the client holds the one
  // reference it starts with. The run takes `settings` over.
  WorkerRun(BazaroComm* client, Task* task, client::WorkerProcedure worker, Settings& settings);
  WorkerRun(const WorkerRun&) = delete;
  WorkerRun& operator=(const WorkerRun&) = delete;

  void Retain();
  // Drops one reference; the last one deletes the run.
  void Release();

  // For the worker.
  // The task, to be read, never changed.
  Task* QueryTask();
  // Where the worker leaves its outcome; cleared when the worker starts.
  Result* QueryResult();
  char UseProxy();
  char* ProxyHost();
  unsigned short ProxyPort();
  char* ProxyPattern();
  // The CA files trusted besides the system's roots: a list a null ends.
  const char* const* TrustFiles() const { return trustFiles_; }
  const char* ServerToken() const { return serverToken_; }
  const char* ProxyToken() const { return proxyToken_; }
  // Where the worker counts a transfer; the client reads it.
  transport::TransferProgress& Progress() { return progress_; }
  // The HTTP status that refused the task, stored with the outcome.
  void SetStatus(int status) { status_ = status; }
  int Status() const { return status_; }
  // True once Cancel reached the run before it ended.
  bool IsCancelled();
  // The outcome is complete: after this the worker touches only its own
  // objects. The first call signals the client, later calls do nothing.
  void ThreadEnd();
  // True once the client has cut the run off; the worker may stop early.
  bool IsAbandoned();
  // Registers `shutdown` to be called with `context` if the run is cut off.
  // False, registering nothing, when it has been cut off already.
  bool SetShutdown(Shutdown shutdown, void* context);
  // Withdraws the registration; once this returns, it is not called and not
  // running. Call it before closing what it shuts down.
  void ClearShutdown();

  // For the client.
  // Starts the worker's thread, which holds a reference of its own until the
  // worker has returned; null when no thread could be started. If the worker
  // returns without ThreadEnd, the thread signals the end for it, so that
  // every task is reported.
  os::ThreadHandle* StartThread();
  // Stops the worker's signals from reaching the client. True when the worker
  // had ended: its outcome is complete and may be taken over.
  bool Detach();
  // Detaches, marks the run abandoned and calls the registered shutdown.
  void CutOff();
  // Calls the registered shutdown, as CutOff does, but stays attached: the
  // worker ends soon and is reported, cancelled. Nothing once it has ended.
  void Cancel();
  // Hands `task` over to the run if the worker has not ended, so that it
  // outlives the client's hold on it; the run deletes it when it goes. True
  // when taken; false when the worker has ended and the client deletes it.
  bool KeepTask(Task* task);

 private:
  ~WorkerRun();
  static unsigned long RunWorker(void* argument);
  // Clears the outcome of a worker that failed before it ended.
  void DropOutcome();

  std::atomic<int> references_;
  std::mutex lock_;     // guards the fields below up to `shutdownContext_`
  BazaroComm* client_;  // null once detached
  bool ended_;
  bool abandoned_;
  Task* keptTask_;  // owned once handed over by KeepTask
  Shutdown shutdown_;
  void* shutdownContext_;
  Task* task_;  // read by the worker
  client::WorkerProcedure worker_;
  Result result_;  // written by the worker until it ends
  char useProxy_;
  char* proxyHost_;
  unsigned short proxyPort_;
  char* proxyPattern_;
  char* trustFiles_[3];  // owned platform strings, the first null ending them
  char* serverToken_;    // owned platform strings, or null
  char* proxyToken_;
  bool cancelled_;  // guarded by lock_
  int status_;      // written by the worker until it ends
  transport::TransferProgress progress_;
};
