#include "os/PathRules.h"

#include "os/PathSeparator.h"

namespace os {

PathRules SystemPathRules(bool) { return PathRules{kPathSeparator, false, false}; }

}  // namespace os
