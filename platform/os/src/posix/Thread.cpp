// Threads on POSIX: detached pthreads with a small shared state.
//
// The state is shared by the thread and its handle and counted: whichever of
// the two lets go last frees it, so a released thread cleans up after itself.
// It lives in malloc'd memory because the libraries this layer is linked into
// route operator new to the kernel heap, where it must not show.
#include "os/Thread.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include <atomic>
#include <new>

#include <pthread.h>

namespace os {

class ThreadHandle {
 public:
  ThreadProc proc = nullptr;
  void* argument = nullptr;
  std::atomic<int> owners{2};     // the thread and the handle
  std::atomic<bool> done{false};  // set with release once exitCode is written
  unsigned long exitCode = 0;
  pthread_mutex_t lock;  // guards the wake-up of waiters
  pthread_cond_t ended;  // signalled on CLOCK_MONOTONIC when done is set
};

namespace {

void DropOwner(ThreadHandle* state) {
  if (state->owners.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  pthread_cond_destroy(&state->ended);
  pthread_mutex_destroy(&state->lock);
  state->~ThreadHandle();
  std::free(state);
}

void* RunThread(void* argument) {
  ThreadHandle* state = static_cast<ThreadHandle*>(argument);
  unsigned long exitCode = state->proc(state->argument);
  pthread_mutex_lock(&state->lock);
  state->exitCode = exitCode;
  state->done.store(true, std::memory_order_release);
  pthread_cond_broadcast(&state->ended);
  pthread_mutex_unlock(&state->lock);
  DropOwner(state);
  return nullptr;
}

bool InitializeWaiting(ThreadHandle* state) {
  pthread_condattr_t attributes;
  if (pthread_condattr_init(&attributes) != 0) return false;
  bool ok = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
            pthread_cond_init(&state->ended, &attributes) == 0;
  pthread_condattr_destroy(&attributes);
  if (!ok) return false;
  if (pthread_mutex_init(&state->lock, nullptr) != 0) {
    pthread_cond_destroy(&state->ended);
    return false;
  }
  return true;
}

}  // namespace

ThreadHandle* StartThread(ThreadProc proc, void* argument) {
  if (proc == nullptr) return nullptr;
  void* memory = std::malloc(sizeof(ThreadHandle));
  if (memory == nullptr) return nullptr;
  ThreadHandle* state = new (memory) ThreadHandle;
  state->proc = proc;
  state->argument = argument;
  if (!InitializeWaiting(state)) {
    state->~ThreadHandle();
    std::free(state);
    return nullptr;
  }

  pthread_attr_t attributes;
  bool started = false;
  if (pthread_attr_init(&attributes) == 0) {
    pthread_t thread;
    started = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0 &&
              pthread_create(&thread, &attributes, RunThread, state) == 0;
    pthread_attr_destroy(&attributes);
  }
  if (!started) {
    state->owners.store(1, std::memory_order_relaxed);
    DropOwner(state);
    return nullptr;
  }
  return state;
}

bool ThreadExitCode(ThreadHandle* thread, unsigned long* exitCode) {
  if (thread == nullptr || !thread->done.load(std::memory_order_acquire)) return false;
  if (exitCode != nullptr) *exitCode = thread->exitCode;
  return true;
}

bool WaitForThread(ThreadHandle* thread, unsigned int milliseconds) {
  if (thread == nullptr) return false;
  if (thread->done.load(std::memory_order_acquire)) return true;

  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }

  pthread_mutex_lock(&thread->lock);
  while (!thread->done.load(std::memory_order_acquire)) {
    if (pthread_cond_timedwait(&thread->ended, &thread->lock, &deadline) == ETIMEDOUT) break;
  }
  pthread_mutex_unlock(&thread->lock);
  return thread->done.load(std::memory_order_acquire);
}

void ReleaseThread(ThreadHandle* thread) {
  if (thread != nullptr) DropOwner(thread);
}

unsigned long CurrentThreadId() {
  // Numbers handed out once per thread: never reused, so distinct among live
  // threads, and free of assumptions about what pthread_t is.
  static std::atomic<unsigned long> next{1};
  thread_local unsigned long id = next.fetch_add(1, std::memory_order_relaxed);
  return id;
}

void SleepMilliseconds(unsigned int milliseconds) {
  timespec remaining;
  remaining.tv_sec = milliseconds / 1000;
  remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace os
