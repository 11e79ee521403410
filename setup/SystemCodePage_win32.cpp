// A Japanese Windows system's ANSI code page is CP932.
#include "setup/JapaneseTexts.h"

namespace setup {

const char* const* SystemJapaneseTexts() { return kJapaneseTextsCp932; }

}  // namespace setup
