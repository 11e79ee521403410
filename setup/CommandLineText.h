// The command line of a run as one text, rebuilt from a program's arguments.
#pragma once

#include <string>

namespace setup {

// Joins `arguments` with single spaces into the text a run reads. The
// argument after "-in" is put in double quotes when it is empty or holds a
// space, so that a directory the shell kept whole stays whole.
std::string JoinArguments(int count, const char* const* arguments);

}  // namespace setup
