// Name resolution through the sockets library.
#pragma once

#include "os/SocketApi.h"

namespace os {

// gethostbyname with Winsock's lifetime rule on every target: the entry
// belongs to the calling thread and stays valid until that thread's next
// look-up. Null when the name is unknown.
hostent* GetHostByName(const char* name);

}  // namespace os
