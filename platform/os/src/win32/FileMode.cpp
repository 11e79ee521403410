#include "os/FileMode.h"

namespace os {

// A file made on Windows inherits the access rights of its directory, as the
// file it replaces did; there is nothing to carry over.
void CopyFileMode(const char*, std::FILE*) {}

}  // namespace os
