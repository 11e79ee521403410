// POSIX systems here speak UTF-8: the text is already in it.
#include "os/TextEncoding.h"

namespace os {

std::string SystemTextToUtf8(const std::string& text) { return text; }

bool JapaneseTextIsCp932() { return false; }

}  // namespace os
