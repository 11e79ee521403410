// Library search on POSIX: programs find their libraries through the dynamic
// linker's own paths, never beside the program, so there is nothing to do.
#include "os/LibrarySearch.h"

namespace os {

bool RestrictLibrarySearch() { return true; }

}  // namespace os
