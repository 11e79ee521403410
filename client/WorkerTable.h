// The worker table: the one place where request type codes meet the worker
// procedures that run them (internal to the library).
//
// A worker runs on a thread of its own with its task's run as argument. It
// reads the task and the proxy setting, leaves its outcome in the run's
// result, calls WorkerRun::ThreadEnd once, tears down its own objects and
// returns 0. It never calls the client.
#pragma once

class WorkerRun;

namespace client {

typedef unsigned long (*WorkerProcedure)(WorkerRun* run);

// The worker for request type `type`; null for a code outside 1 to 10 or a
// code that has no worker. A task without a worker ends at once with an empty
// outcome.
WorkerProcedure FindWorker(int type);

}  // namespace client
