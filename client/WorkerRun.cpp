#include "client/WorkerRun.h"

#include <utility>

#include "bazaro/BazaroComm.h"
#include "bazaro/Reason.h"
#include "client/Task.h"
#include "kernel/KernelObjects.h"
#include "os/Thread.h"

WorkerRun::WorkerRun(BazaroComm* client, Task* task, client::WorkerProcedure worker,
                     Settings& settings)
    : references_(1),
      client_(client),
      ended_(false),
      abandoned_(false),
      keptTask_(nullptr),
      shutdown_(nullptr),
      shutdownContext_(nullptr),
      task_(task),
      worker_(worker),
      useProxy_(settings.useProxy),
      proxyHost_(std::exchange(settings.proxyHost, nullptr)),
      proxyPort_(settings.proxyPort),
      proxyPattern_(std::exchange(settings.proxyPattern, nullptr)),
      trustFiles_{std::exchange(settings.userTrustFile, nullptr),
                  std::exchange(settings.programTrustFile, nullptr), nullptr},
      serverToken_(std::exchange(settings.serverToken, nullptr)),
      proxyToken_(std::exchange(settings.proxyToken, nullptr)),
      cancelled_(false),
      status_(0) {
  if (trustFiles_[0] == nullptr) std::swap(trustFiles_[0], trustFiles_[1]);
  // Without its host a proxy cannot be used: connect directly instead.
  if (proxyHost_ == nullptr) useProxy_ = 0;
}

WorkerRun::Settings::~Settings() {
  FreeString(&proxyHost);
  FreeString(&proxyPattern);
  FreeString(&userTrustFile);
  FreeString(&programTrustFile);
  FreeString(&serverToken);
  FreeString(&proxyToken);
}

WorkerRun::~WorkerRun() {
  delete keptTask_;
  FreeString(&proxyHost_);
  FreeString(&proxyPattern_);
  FreeString(&trustFiles_[0]);
  FreeString(&trustFiles_[1]);
  FreeString(&serverToken_);
  FreeString(&proxyToken_);
}

void WorkerRun::Retain() { references_.fetch_add(1, std::memory_order_relaxed); }

void WorkerRun::Release() {
  if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
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
    exitCode = run->worker_(run);
  } catch (...) {
    // Memory ran out part way (the kernel's objects report it by throwing):
    // whatever the worker left is no outcome, and must not be reported as one.
    run->DropOutcome();
  }
  run->ThreadEnd();
  run->Release();
  return exitCode;
}

Task* WorkerRun::QueryTask() { return task_; }

Result* WorkerRun::QueryResult() { return &result_; }

char WorkerRun::UseProxy() { return useProxy_; }

char* WorkerRun::ProxyHost() { return proxyHost_; }

unsigned short WorkerRun::ProxyPort() { return proxyPort_; }

char* WorkerRun::ProxyPattern() { return proxyPattern_; }

// The client is signalled under the lock, so that it cannot go away between
// the test and the call.
void WorkerRun::ThreadEnd() {
  std::lock_guard<std::mutex> hold(lock_);
  if (ended_) return;
  ended_ = true;
  if (client_ != nullptr) client_->ThreadEnd();
}

void WorkerRun::DropOutcome() {
  std::lock_guard<std::mutex> hold(lock_);
  if (ended_) return;
  result_.Clear();
  result_.SetReason(kReasonOutOfMemory, 0);
}

bool WorkerRun::IsAbandoned() {
  std::lock_guard<std::mutex> hold(lock_);
  return abandoned_;
}

bool WorkerRun::IsCancelled() {
  std::lock_guard<std::mutex> hold(lock_);
  return cancelled_;
}

bool WorkerRun::SetShutdown(Shutdown newShutdown, void* context) {
  std::lock_guard<std::mutex> hold(lock_);
  if (abandoned_ || cancelled_) return false;
  shutdown_ = newShutdown;
  shutdownContext_ = context;
  return true;
}

void WorkerRun::ClearShutdown() {
  std::lock_guard<std::mutex> hold(lock_);
  shutdown_ = nullptr;
  shutdownContext_ = nullptr;
}

bool WorkerRun::Detach() {
  std::lock_guard<std::mutex> hold(lock_);
  client_ = nullptr;
  return ended_;
}

void WorkerRun::CutOff() {
  std::lock_guard<std::mutex> hold(lock_);
  client_ = nullptr;
  abandoned_ = true;
  if (shutdown_ != nullptr) shutdown_(shutdownContext_);
  shutdown_ = nullptr;
  shutdownContext_ = nullptr;
}

void WorkerRun::Cancel() {
  std::lock_guard<std::mutex> hold(lock_);
  if (ended_) return;
  cancelled_ = true;
  if (shutdown_ != nullptr) shutdown_(shutdownContext_);
}

bool WorkerRun::KeepTask(Task* handedOver) {
  std::lock_guard<std::mutex> hold(lock_);
  if (ended_ || handedOver == nullptr) return false;
  keptTask_ = handedOver;
  return true;
}
