// Ctrl-C in bazaro: the handler only notes it (all a signal handler may
// safely do); the client's loop looks at the note, cancels the request and
// ends the program.
#pragma once

namespace bazaro {

// Installs the handler for SIGINT (on Windows the C runtime answers the
// console's Ctrl-C event with it).
void WatchInterruption();

// True once Ctrl-C was pressed.
bool Interrupted();

}  // namespace bazaro
