// Which of the two Japanese tables this target's texts must be (chosen per
// target by the build).
#pragma once

namespace setup {
const char* const* ExpectedJapaneseTable();
// Whether this target's programs carry the string table as a resource.
bool ProgramHasStringTable();
}  // namespace setup
