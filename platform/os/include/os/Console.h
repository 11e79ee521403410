// The terminal a console program runs on.
#pragma once

#include <cstddef>

namespace os {

// True when standard input is an interactive terminal.
bool StandardInputIsTerminal();
// True when standard error is an interactive terminal.
bool StandardErrorIsTerminal();

// Reads one line from standard input, a terminal, without showing what is
// typed (for a password), and ends the line on standard error in place of
// the echo. The terminal's echo is back on whatever happens; an interruption
// (Ctrl-C) while reading is delivered once the echo is restored. `line`
// receives the text without its line end. False, with `line` empty, at the
// end of input, when standard input is no terminal, or when the line does
// not fit in `size` bytes with its NUL.
bool ReadHiddenLine(char* line, std::size_t size);

}  // namespace os
