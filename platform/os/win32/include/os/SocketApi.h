// Windows Sockets 1.1: the transport uses these names directly.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock.h>

namespace os {
// The in-out length of getsockname and accept: an int for Windows Sockets.
typedef int SocketLength;
}  // namespace os
