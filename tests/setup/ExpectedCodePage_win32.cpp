#include "ExpectedCodePage.h"
#include "setup/JapaneseTexts.h"

namespace setup {
const char* const* ExpectedJapaneseTable() { return kJapaneseTextsCp932; }
}  // namespace setup
