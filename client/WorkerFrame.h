// The common frame of every request worker (internal to the library).
//
// A worker makes one WorkerFrame on its stack. The frame builds the worker's
// own PadServer for the task's server address, applies the class-wide proxy
// when the client has one, and registers the server's cut-off with the run,
// so that destroying the client while a transfer is under way shuts the
// connection down at once.
//
// The hand-over is End: the worker stores its whole outcome in Outcome()
// first, then calls End, which withdraws the cut-off and signals the client.
// From then on the worker may use only Server() and its own locals: the
// client may already be reporting the task, or be gone, so Task() and
// Outcome() must not be touched again. The server itself is torn down when
// the frame goes, after the signal.
#pragma once

#include "transport/PadServer.h"

class Result;
class Task;
class WorkerRun;

namespace client {

class WorkerFrame {
 public:
  explicit WorkerFrame(WorkerRun* run);
  // Withdraws the cut-off if End was not reached, then tears down the server.
  ~WorkerFrame();
  WorkerFrame(const WorkerFrame&) = delete;
  WorkerFrame& operator=(const WorkerFrame&) = delete;

  // The task being run; read it, never change it. Only before End.
  const Task& TheTask() const { return *task_; }
  // Where the outcome goes. Only before End.
  Result& Outcome() { return *outcome_; }
  // The worker's own server object, for its whole life.
  PadServer& Server() { return server_; }

  // The outcome is complete: the client may take it. Call once, last.
  void End();

 private:
  static void CutOffServer(void* server);

  WorkerRun* run_;  // null once End has run
  const Task* task_;
  Result* outcome_;
  PadServer server_;
};

}  // namespace client
