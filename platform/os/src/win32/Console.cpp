// The console on Windows.
#include "os/Console.h"

#include <cstdio>

#include <io.h>

namespace os {

bool StandardInputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace os
