// The subcommands of bazaro and their help texts.
#pragma once

#include "tools/bazaro/Arguments.h"

namespace bazaro {

// Runs the subcommand that `arguments` name (or prints the help asked for);
// the exit status.
int RunCommand(const Arguments& arguments);

// The tool's help text.
void PrintUsage();

}  // namespace bazaro
