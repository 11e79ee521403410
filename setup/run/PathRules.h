// How paths read from the registry are taken apart on this target.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "os/PathRules.h"
#include "setup/texts/StringTable.h"

namespace setup {

using os::PathRules;

// The system's rules (see os::SystemPathRules) for a run in `language`.
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
