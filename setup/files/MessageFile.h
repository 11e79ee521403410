// Message files: the platform's message file of a language and a module's
// one (language prefix + module name).
//
// A keyless line begins with "#" or a white-space character (a blank line
// counts) and is kept exactly as read. A message line holds at least two
// colons: its key is the text before the second colon, its value the text
// after it, line end included. A value ending with a backslash right before
// the line end continues with the next line, added as read; a message still
// continuing where its file ends is ended there with an empty line, so that
// nothing written after it is ever read as part of it. The written form
// is "key:value" for a message and the value alone for a keyless line; the
// values carry their own line ends, and a last line that lacks one gets one.
//
// A line that is neither keyless nor a message ends the reading of a file.
// What stands from there on is handed back to the caller who asks for it, so
// the installation's own file keeps it, verbatim, when written back.
#pragma once

#include <string>

#include "setup/files/KeyedTable.h"
#include "setup/files/TextLine.h"

namespace setup {

// Reads the file's messages and keyless lines into `table`. When `unread` is
// given it receives the line that ended the reading and every line after it
// (empty when the file was read to its end). kFailed when the file exists but
// cannot be read whole, or when `table` or `path` is null.
ReadStatus ReadMessageFile(KeyedTable* table, const char* path, std::string* unread = nullptr);

// Replaces the file with the table's items in the written form, followed by
// `unread`. True when written; on false the file is as it was.
bool WriteMessageFile(const KeyedTable* table, const char* path,
                      const std::string& unread = std::string());

// Reads `destination` (keeping what follows a line that ends its reading),
// then `source` over it, and writes `destination` back with the kept lines
// last, so the messages added stay where the platform reads them. A missing
// source leaves the content as it was; a missing destination is created.
// False, and nothing written, when an argument is null, the destination
// exists but cannot be read whole, or it cannot be written.
bool MergeMessageFile(const char* destination, const char* source);

}  // namespace setup
