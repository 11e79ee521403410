// A line read from the console without echo on Windows: the console's line
// mode with ENABLE_ECHO_INPUT cleared.
#include <cstdio>

#include "../common/TypedLine.h"
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

  bool whole = ReadTypedLine(
      [input](char& c) {
        DWORD got = 0;
        // The console ends a line with CR LF: the CR is no part of it.
        do {
          if (!ReadConsoleA(input, &c, 1, &got, nullptr) || got == 0) return false;
        } while (c == '\r');
        return true;
      },
      line, size);

  SetConsoleMode(input, saved);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  return whole;
}

}  // namespace os
