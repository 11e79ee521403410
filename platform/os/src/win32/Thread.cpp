// Threads on Windows: CreateThread with the default attributes and stack.
//
// The handle given to callers is the thread's own HANDLE. The procedure and
// its argument reach the new thread in a small malloc'd block (this layer's
// memory must stay off the kernel heap that operator new may be routed to),
// which the thread frees as it starts.
#include "os/Thread.h"

#include <cstdlib>

#include "os/WindowsApi.h"

namespace os {

namespace {

struct StartBlock {
  ThreadProc proc;
  void* argument;
};

DWORD WINAPI RunThread(LPVOID parameter) {
  StartBlock start = *static_cast<StartBlock*>(parameter);
  std::free(parameter);
  return static_cast<DWORD>(start.proc(start.argument));
}

HANDLE HandleOf(ThreadHandle* thread) { return reinterpret_cast<HANDLE>(thread); }

}  // namespace

ThreadHandle* StartThread(ThreadProc proc, void* argument) {
  if (proc == nullptr) return nullptr;
  StartBlock* start = static_cast<StartBlock*>(std::malloc(sizeof(StartBlock)));
  if (start == nullptr) return nullptr;
  start->proc = proc;
  start->argument = argument;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, &id);
  if (thread == nullptr) {
    std::free(start);
    return nullptr;
  }
  return reinterpret_cast<ThreadHandle*>(thread);
}

bool ThreadExitCode(ThreadHandle* thread, unsigned long* exitCode) {
  // Asks whether the thread has ended before reading the code, so that a
  // thread whose code happens to be STILL_ACTIVE (259) is not taken as running.
  if (thread == nullptr || WaitForSingleObject(HandleOf(thread), 0) != WAIT_OBJECT_0) {
    return false;
  }
  DWORD code = 0;
  if (!GetExitCodeThread(HandleOf(thread), &code)) return false;
  if (exitCode != nullptr) *exitCode = code;
  return true;
}

bool WaitForThread(ThreadHandle* thread, unsigned int milliseconds) {
  if (thread == nullptr) return false;
  // INFINITE is all bits set; a bound that large is capped just below it.
  DWORD bound = milliseconds == INFINITE ? INFINITE - 1 : milliseconds;
  return WaitForSingleObject(HandleOf(thread), bound) == WAIT_OBJECT_0;
}

void ReleaseThread(ThreadHandle* thread) {
  if (thread != nullptr) CloseHandle(HandleOf(thread));
}

unsigned long CurrentThreadId() { return GetCurrentThreadId(); }

void SleepMilliseconds(unsigned int milliseconds) { Sleep(milliseconds); }

}  // namespace os
