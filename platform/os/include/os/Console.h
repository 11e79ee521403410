// The terminal a console program runs on.
#pragma once

namespace os {

// True when standard input is an interactive terminal.
bool StandardInputIsTerminal();
// True when standard error is an interactive terminal.
bool StandardErrorIsTerminal();

}  // namespace os
