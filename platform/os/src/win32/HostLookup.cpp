// Host look-up on Windows: Winsock's gethostbyname already keeps its entry
// per thread until that thread's next call.
#include "os/HostLookup.h"

namespace os {

hostent* GetHostByName(const char* name) { return gethostbyname(name); }

}  // namespace os
