// Waiting for one socket to become ready, whatever the value of its handle:
// a host program may have thousands of files and sockets open.
#pragma once

#include "os/SocketApi.h"

namespace os {

enum SocketReadiness {
  kSocketReadable,   // data, the peer's end of stream, or an error to read
  kSocketWritable,   // room to send, or an error
  kSocketException,  // urgent data (on Windows also a connect that failed)
};

// Waits at most `milliseconds` (0: only looks) for `socket` to become ready
// as `readiness` says. Returns 1 when it is, 0 when the time ran out, and
// SOCKET_ERROR on failure, with the reason left for WSAGetLastError (WSAEINTR
// when a signal interrupted the wait).
int WaitForSocket(SOCKET socket, SocketReadiness readiness, unsigned int milliseconds);

}  // namespace os
