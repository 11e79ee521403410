// How this target spells the paths of its files.
#pragma once

namespace os {

struct PathRules {
  char separator;
  // File names ignore case here, and the installation root is lower-cased.
  bool foldCase;
  // Paths are in a double-byte code page (CP932): a lead byte and the byte
  // after it are one character, and neither is ever taken for a letter or a
  // separator.
  bool doubleByte;
};

// This target's rules for paths in the system's code page; `japanese` tells
// whether the system is a Japanese one. Windows: "\", case folded, and CP932
// double-byte characters on a Japanese system. POSIX: "/", case kept, UTF-8
// (whose multi-byte characters never hold ASCII bytes).
PathRules SystemPathRules(bool japanese);

}  // namespace os
