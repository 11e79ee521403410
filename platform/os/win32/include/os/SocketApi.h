// Windows Sockets 1.1: the transport uses these names directly.
#pragma once

// <windows.h> as this layer has it comes before what builds on it.
#include "os/WindowsApi.h"

#include <winsock.h>

namespace os {
// The in-out length of getsockname and accept: an int for Windows Sockets.
typedef int SocketLength;
}  // namespace os
