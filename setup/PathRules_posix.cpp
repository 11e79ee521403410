#include "setup/PathRules.h"

#include "os/PathSeparator.h"

namespace setup {

PathRules SystemPathRules(Language) { return PathRules{os::kPathSeparator, false, false}; }

}  // namespace setup
