// A line read from the console without echo on Windows: the console's line
// mode with ENABLE_ECHO_INPUT cleared.
#include <cstdio>

#include "os/Console.h"
#include "os/WindowsApi.h"

namespace os {

bool ReadHiddenLine(char* line, std::size_t size) {
  if (line == nullptr || size == 0) return false;
  line[0] = '\0';
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (input == INVALID_HANDLE_VALUE || input == nullptr || !GetConsoleMode(input, &saved)) {
    return false;
  }
  // Ctrl-C stays processed: the program's console control handler sees it.
  DWORD quiet = (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~DWORD{ENABLE_ECHO_INPUT};
  SetConsoleMode(input, quiet);

  std::size_t length = 0;
  bool fits = true;
  bool ended = false;
  for (;;) {
    char c = 0;
    DWORD got = 0;
    if (!ReadConsoleA(input, &c, 1, &got, nullptr) || got == 0) break;
    if (c == '\r') continue;
    if (c == '\n') {
      ended = true;
      break;
    }
    if (length + 1 < size) {
      line[length++] = c;
    } else {
      fits = false;
    }
  }
  line[length] = '\0';

  SetConsoleMode(input, saved);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  if (!ended || !fits) {
    line[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace os
