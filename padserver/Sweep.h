// Clearing up after programs that were ended half-way, run when the server
// starts: a program killed outright (SIGKILL, a crash, a power cut) leaves
// its new file behind, and a pad file whose deletion failed outlives its pad.
#pragma once

#include "padserver/DataDirectory.h"
#include "padserver/Status.h"

namespace padserver {

// New files older than this belong to no program still running.
constexpr long kStaleNewFileSeconds = 3600;

// Removes from `data` the new files older than kStaleNewFileSeconds and the
// pad files whose pad the store does not hold. Without a store no pad file
// is removed; a store that fails stops the sweep.
Status Sweep(const DataDirectory& data);

// `--sweep DATA`: Sweep with its outcome in the exit status, 0 or 1.
int RunSweep(const char* dataDirectory);

}  // namespace padserver
