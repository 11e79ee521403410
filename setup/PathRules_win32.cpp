#include "setup/PathRules.h"

#include "os/PathSeparator.h"

namespace setup {

// The Japanese texts are CP932 on a Japanese system, and so are its paths.
PathRules SystemPathRules(Language language) {
  return PathRules{os::kPathSeparator, true, language == Language::kJapanese};
}

}  // namespace setup
