// The terminal a console program runs on.
#pragma once

namespace os {

// True when standard input is an interactive terminal.
bool StandardInputIsTerminal();

}  // namespace os
