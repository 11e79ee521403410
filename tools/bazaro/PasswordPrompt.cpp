#include "tools/bazaro/PasswordPrompt.h"

#include <cstdio>

#include "os/Console.h"

namespace bazaro {

bool AskPassword(const std::string& user, std::string& password) {
  if (!os::StandardInputIsTerminal()) return false;
  std::fprintf(stderr, "Password for %s: ", user.c_str());
  std::fflush(stderr);
  char line[1024];
  bool read = os::ReadHiddenLine(line, sizeof line);
  if (read) password = line;
  // The password stays in memory no longer than needed.
  volatile char* wipe = line;
  for (std::size_t i = 0; i < sizeof line; ++i) wipe[i] = '\0';
  return read;
}

}  // namespace bazaro
