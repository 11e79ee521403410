#include "ExpectedCodePage.h"
#include "setup/texts/JapaneseTexts.h"

namespace setup {
const char* const* ExpectedJapaneseTable() { return kJapaneseTextsUtf8; }
bool ProgramHasStringTable() { return false; }
}  // namespace setup
