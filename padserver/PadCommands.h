// Carrying out a pad command on a store.
#pragma once

#include <string>
#include <vector>

#include "padserver/CommandReader.h"
#include "padserver/PadStore.h"

namespace padserver {

// Runs `command` on `store`. On success `reply` holds the reply text: the new
// identifier, the record, the named values or the list of children, and
// nothing for the commands that change pads. `removed` lists the pads that a
// DeletePad removed, whose files the caller removes.
Status RunPadCommand(PadStore& store, const Command& command, std::string& reply,
                     std::vector<PadId>& removed);

}  // namespace padserver
