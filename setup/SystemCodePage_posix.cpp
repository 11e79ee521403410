// POSIX systems here speak UTF-8.
#include "setup/JapaneseTexts.h"

namespace setup {

const char* const* SystemJapaneseTexts() { return kJapaneseTextsUtf8; }

}  // namespace setup
