// Texts in the system's code page turned into UTF-8.
#pragma once

#include <string>

namespace os {

// `text`, given in the system's code page (the ANSI code page on Windows,
// UTF-8 on POSIX), as UTF-8. Bytes that do not form a character of the code
// page come out as U+FFFD on Windows and unchanged on POSIX.
std::string SystemTextToUtf8(const std::string& text);

// True where a Japanese system's code page is CP932 (Windows); false where
// texts are UTF-8 whatever the language (POSIX).
bool JapaneseTextIsCp932();

}  // namespace os
