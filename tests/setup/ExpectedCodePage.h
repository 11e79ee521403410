// Which of the two Japanese tables this target's texts must be (chosen per
// target by the build).
#pragma once

namespace setup {
const char* const* ExpectedJapaneseTable();
}  // namespace setup
