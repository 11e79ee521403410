// Worker threads and sleeping.
//
// A thread is started with StartThread and runs at once. Its handle may be read
// for the exit code, waited on with a bound, and released. Releasing never
// waits and never stops the thread: a released thread finishes by itself and
// its resources are freed when it ends. There is deliberately no way to
// terminate a thread from outside.
//
// Bookkeeping of this layer is allocated with the C runtime's allocator, never
// with the kernel heap, so it never shows in the kernel's live-block count.
#pragma once

namespace os {

// The procedure a thread runs; its result becomes the thread's exit code.
typedef unsigned long (*ThreadProc)(void* argument);

class ThreadHandle;

// Starts a thread running proc(argument). Returns null when no thread could
// be started. The caller owns the handle and gives it back with ReleaseThread.
ThreadHandle* StartThread(ThreadProc proc, void* argument);

// True and the exit code once the thread has ended; false while it runs.
bool ThreadExitCode(ThreadHandle* thread, unsigned long* exitCode);

// Waits at most `milliseconds` for the thread to end. True when it has ended.
bool WaitForThread(ThreadHandle* thread, unsigned int milliseconds);

// Drops the handle without waiting. Null is accepted.
void ReleaseThread(ThreadHandle* thread);

// An identifier of the calling thread, distinct among live threads.
unsigned long CurrentThreadId();

// Suspends the calling thread for about `milliseconds`.
void SleepMilliseconds(unsigned int milliseconds);

}  // namespace os
