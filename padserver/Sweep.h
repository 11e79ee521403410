// Clearing up after programs that were ended half-way, run when the server
// starts: a program killed outright (SIGKILL, a crash, a power cut) leaves
// its new file behind, and a pad file whose deletion failed outlives its pad.
#pragma once

#include <string>

#include "padserver/DataDirectory.h"
#include "padserver/Status.h"

namespace padserver {

// New files older than this belong to no program still running.
constexpr long kStaleNewFileSeconds = 3600;

// Removes from `data` the new files older than kStaleNewFileSeconds, and
// from the file area the pad files whose pad the store does not hold: the
// PostgreSQL database the URI `store` names, or without one the SQLite
// database and the folders of `data`. Without a store no pad file is
// removed; a store that fails stops the sweep.
Status Sweep(const DataDirectory& data, const std::string& store = std::string());

// `--sweep DATA`: Sweep of the store BAZARO_PAD_STORE names, if any, with
// its outcome in the exit status, 0 or 1.
int RunSweep(const char* dataDirectory);

}  // namespace padserver
