// The reader of pad commands: the request body of pad-cgi as the client
// writes it, one line such as "SetPadInfo 42 7 10 20 guest guest width=100 \n"
// followed by the terminator byte.
//
// The seven commands and their arguments:
//   GetNewPadID
//   SetPadInfo ID PARENT X Y ACCOUNT GROUP ATTRIBUTE...
//   SetPadAttributes ID ATTRIBUTE...
//   GetPadInfo ID
//   GetPadAttributes ID NAME...
//   GetChildPads PARENT
//   DeletePad ID
// An ATTRIBUTE is NAME=VALUE or NAME="VALUE" (TextRules.h says what each may
// hold). The names x, y, account and group set the pad's position and
// owner; id and pid are reserved, since replies use them for identifiers.
//
// The body counts up to its first terminator byte, and the line must end
// with a newline: the client cuts a command longer than 1023 characters
// without its newline, and a cut command must not store cut values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "padserver/PadRecord.h"
#include "padserver/Status.h"

namespace padserver {

enum class CommandKind {
  kGetNewPadID,
  kSetPadInfo,
  kSetPadAttributes,
  kGetPadInfo,
  kGetPadAttributes,
  kGetChildPads,
  kDeletePad,
};

struct Command {
  CommandKind kind = CommandKind::kGetNewPadID;
  PadId id = 0;                    // the pad; for GetChildPads the parent
  PadChange change;                // SetPadInfo, SetPadAttributes
  std::vector<std::string> names;  // GetPadAttributes
};

// Reads the command in `body`. On failure the status is 400 with the reason,
// and `command` must not be used.
Status ReadCommand(std::string_view body, Command& command);

}  // namespace padserver
