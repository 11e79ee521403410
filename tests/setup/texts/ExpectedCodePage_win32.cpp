#include "ExpectedCodePage.h"
#include "setup/texts/JapaneseTexts.h"

namespace setup {
const char* const* ExpectedJapaneseTable() { return kJapaneseTextsCp932; }
bool ProgramHasStringTable() { return true; }
}  // namespace setup
