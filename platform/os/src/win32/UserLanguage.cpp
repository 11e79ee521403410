// The user's language on Windows: the user's UI language.
#include "os/UserLanguage.h"

#include "os/WindowsApi.h"

namespace os {

bool UserLanguageIsJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

}  // namespace os
