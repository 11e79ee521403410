// The tests' hold on the worker table. Only tests include this header; it is
// not installed, and the library does not export the function.
#pragma once

#include "client/WorkerTable.h"

// Puts `worker` in the slot of `type` (1 to 10) and returns what was there;
// null and no change for another code. This is how tests run the queue with
// workers of their own; call it only while no task runs.
namespace client {

WorkerProcedure InstallWorker(int type, WorkerProcedure worker);

}  // namespace client
