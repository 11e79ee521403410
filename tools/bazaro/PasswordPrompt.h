// The password of `--user NAME` asked on the terminal.
#pragma once

#include <string>

namespace bazaro {

// Prints "Password for NAME: " on stderr and reads the answer from standard
// input without echo. False, with `password` unchanged, when standard input
// is no terminal, nothing was read, or Ctrl-C was pressed.
bool AskPassword(const std::string& user, std::string& password);

}  // namespace bazaro
