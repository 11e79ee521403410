// The line a user types, gathered character by character from a terminal
// or console (internal to the platform layer).
#pragma once

#include <cstddef>

namespace os {

// Reads characters from `next` (true with one character, false at the end
// of input) into `line` of `size` bytes up to a line feed. True when the
// whole line arrived and fits; otherwise false, with `line` empty.
template <typename Next>
bool ReadTypedLine(Next next, char* line, std::size_t size) {
  std::size_t length = 0;
  bool fits = true;
  bool ended = false;
  char c = 0;
  while (next(c)) {
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
  line[ended && fits ? length : 0] = '\0';
  return ended && fits;
}

}  // namespace os
