#include "client/WorkerRun.h"

#include "bazaro/BazaroComm.h"
#include "client/Task.h"
#include "kernel/KernelObjects.h"
#include "os/Thread.h"

WorkerRun::WorkerRun(BazaroComm* client, Task* task, WorkerProcedure worker, char useProxy,
                     const char* proxyHost, unsigned short proxyPort, const char* proxyPattern)
    : references(1),
      client(client),
      ended(false),
      abandoned(false),
      keptTask(nullptr),
      shutdown(nullptr),
      shutdownContext(nullptr),
      task(task),
      worker(worker),
      useProxy(useProxy),
      proxyHost(NewString(const_cast<char*>(proxyHost))),
      proxyPort(proxyPort),
      proxyPattern(NewString(const_cast<char*>(proxyPattern))) {
  // Without its host a proxy cannot be used: connect directly instead.
  if (this->proxyHost == nullptr) this->useProxy = 0;
}

WorkerRun::~WorkerRun() {
  delete keptTask;
  FreeString(&proxyHost);
  FreeString(&proxyPattern);
}

void WorkerRun::Retain() { references.fetch_add(1, std::memory_order_relaxed); }

void WorkerRun::Release() {
  if (references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

os::ThreadHandle* WorkerRun::StartThread() {
  Retain();
  os::ThreadHandle* thread = os::StartThread(RunWorker, this);
  if (thread == nullptr) Release();
  return thread;
}

unsigned long WorkerRun::RunWorker(void* argument) {
  auto* run = static_cast<WorkerRun*>(argument);
  unsigned long exitCode = 0;
  try {
    exitCode = run->worker(run);
  } catch (...) {
    // Memory ran out part way (the kernel's objects report it by throwing):
    // whatever the worker left is no outcome, and must not be reported as one.
    run->DropOutcome();
  }
  run->ThreadEnd();
  run->Release();
  return exitCode;
}

Task* WorkerRun::QueryTask() { return task; }

Result* WorkerRun::QueryResult() { return &result; }

char WorkerRun::UseProxy() { return useProxy; }

char* WorkerRun::ProxyHost() { return proxyHost; }

unsigned short WorkerRun::ProxyPort() { return proxyPort; }

char* WorkerRun::ProxyPattern() { return proxyPattern; }

// The client is signalled under the lock, so that it cannot go away between
// the test and the call.
void WorkerRun::ThreadEnd() {
  std::lock_guard<std::mutex> hold(lock);
  if (ended) return;
  ended = true;
  if (client != nullptr) client->ThreadEnd();
}

void WorkerRun::DropOutcome() {
  std::lock_guard<std::mutex> hold(lock);
  if (!ended) result.Clear();
}

bool WorkerRun::IsAbandoned() {
  std::lock_guard<std::mutex> hold(lock);
  return abandoned;
}

bool WorkerRun::SetShutdown(Shutdown newShutdown, void* context) {
  std::lock_guard<std::mutex> hold(lock);
  if (abandoned) return false;
  shutdown = newShutdown;
  shutdownContext = context;
  return true;
}

void WorkerRun::ClearShutdown() {
  std::lock_guard<std::mutex> hold(lock);
  shutdown = nullptr;
  shutdownContext = nullptr;
}

bool WorkerRun::Detach() {
  std::lock_guard<std::mutex> hold(lock);
  client = nullptr;
  return ended;
}

void WorkerRun::CutOff() {
  std::lock_guard<std::mutex> hold(lock);
  client = nullptr;
  abandoned = true;
  if (shutdown != nullptr) shutdown(shutdownContext);
  shutdown = nullptr;
  shutdownContext = nullptr;
}

bool WorkerRun::KeepTask(Task* handedOver) {
  std::lock_guard<std::mutex> hold(lock);
  if (ended || handedOver == nullptr) return false;
  keptTask = handedOver;
  return true;
}
