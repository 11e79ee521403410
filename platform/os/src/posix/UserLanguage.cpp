// The user's language on POSIX, from the locale variables in their order of
// precedence.
#include "os/UserLanguage.h"

#include <cstdlib>

namespace os {

bool UserLanguageIsJapanese() {
  static const char* const kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char* name : kNames) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value[0] == 'j' && value[1] == 'a';
  }
  return false;
}

}  // namespace os
