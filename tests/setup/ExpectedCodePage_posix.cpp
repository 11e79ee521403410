#include "ExpectedCodePage.h"
#include "setup/JapaneseTexts.h"

namespace setup {
const char* const* ExpectedJapaneseTable() { return kJapaneseTextsUtf8; }
}  // namespace setup
