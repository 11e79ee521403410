// The reply texts of the pad commands, written so that the client's reply
// reader gets back what was stored: pairs NAME=VALUE separated by one blank,
// numbers bare and strings quoted, and records of a list separated by " ,"
// (the reader takes a comma right behind a bare value as part of that
// record, so the blank is needed).
#pragma once

#include <string>
#include <vector>

#include "padserver/PadRecord.h"

namespace padserver {

// A pad's whole record as the client reads it: "id" (its parent, which the
// client files under "pid"), "x", "y", "account", "group", then every
// attribute in the order it was first set.
std::string WritePadInfo(const PadRecord& record);

// The values of `names` that the pad has, in the order named, each once. The
// names of the record's own fields (id, x, y, account, group) give those.
std::string WriteNamedValues(const PadRecord& record, const std::vector<std::string>& names);

// One record "id=N" per pad, in the given order: "id=12 ,id=13".
std::string WriteChildList(const std::vector<PadId>& children);

// The reply text of a refused request: error="REASON".
std::string WriteError(const std::string& reason);

}  // namespace padserver
