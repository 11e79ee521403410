// The console on POSIX.
#include "os/Console.h"

#include <unistd.h>

namespace os {

bool StandardInputIsTerminal() { return ::isatty(0) != 0; }

bool StandardErrorIsTerminal() { return ::isatty(2) != 0; }

}  // namespace os
