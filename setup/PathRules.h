// How paths read from the registry are taken apart on this target.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "setup/StringTable.h"

namespace setup {

struct PathRules {
  char separator;
  // File names ignore case here, and the installation root is lower-cased.
  bool foldCase;
  // Paths are in a double-byte code page (CP932): a lead byte and the byte
  // after it are one character, and neither is ever taken for a letter or a
  // separator.
  bool doubleByte;
};

// This target's rules for a run in `language`. Windows: "\", case folded, and
// CP932 double-byte characters on a Japanese system. POSIX: "/", case kept,
// UTF-8 (whose multi-byte characters never hold ASCII bytes).
PathRules SystemPathRules(Language language);

// The byte offsets at which the characters of `text` begin.
std::vector<std::size_t> CharacterStarts(const std::string& text, const PathRules& rules);

// Derives the installation root from the main program's path: the text before
// the first "<sep>bin<sep>mk.exe" (found without regard to case), lower-cased
// when the rules fold case, without trailing separators. False when the path
// holds no such text.
bool DeriveInstallRoot(const std::string& mainProgram, const PathRules& rules, std::string* root);

// Removes every separator at the end of `path`.
void RemoveTrailingSeparators(std::string* path, const PathRules& rules);

}  // namespace setup
