#include "os/PathRules.h"

#include "os/PathSeparator.h"

namespace os {

// The Japanese texts are CP932 on a Japanese system, and so are its paths.
PathRules SystemPathRules(bool japanese) { return PathRules{kPathSeparator, true, japanese}; }

}  // namespace os
