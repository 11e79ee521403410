#include "setup/FileMode.h"

namespace setup {

// A file made on Windows inherits the access rights of its directory, as the
// file it replaces did; there is nothing to carry over.
void CopyFileMode(const char*, const char*) {}

}  // namespace setup
