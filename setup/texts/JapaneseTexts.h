// The Japanese string table in both of its encodings; index 0 is unused.
// Both are plain data, built on every target so that tests can compare them.
#pragma once

#include "setup/texts/StringTable.h"

namespace setup {

extern const char* const kJapaneseTextsUtf8[kTextCount + 1];
extern const char* const kJapaneseTextsCp932[kTextCount + 1];

// The table in this system's code page.
const char* const* SystemJapaneseTexts();

}  // namespace setup
