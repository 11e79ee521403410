// The language of the user interface.
#pragma once

namespace os {

// True on a Japanese system: Windows, the user's UI language; POSIX, the first
// of LC_ALL, LC_MESSAGES, LANG that is set and not empty begins with "ja".
bool UserLanguageIsJapanese();

}  // namespace os
