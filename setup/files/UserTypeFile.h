// User type files: the installation's userdef.lst and a module's
// userdef.<module>.
//
// A line holds a key word and a value word separated by white space; lines
// with fewer than two words are ignored and words after the second dropped.
// The written form is the key, two tabs, the value and a line end.
#pragma once

#include "setup/files/KeyedTable.h"
#include "setup/files/TextLine.h"

namespace setup {

// Reads the file's pairs into `table` (SetValue for each). kFailed, with
// nothing certain about the table, when the file exists but cannot be read
// whole, or when an argument is null.
ReadStatus ReadUserTypeFile(KeyedTable* table, const char* path);

// Replaces the file with the table's items in the written form. True when
// written; on false the file is as it was.
bool WriteUserTypeFile(const KeyedTable* table, const char* path);

// Reads `destination`, then `source` over it, and writes `destination` back.
// A missing source leaves the content as it was (rewritten in the written
// form); a missing destination is created. False, and nothing written, when
// an argument is null, the destination exists but cannot be read whole, or
// it cannot be written.
bool MergeUserTypeFile(const char* destination, const char* source);

}  // namespace setup
