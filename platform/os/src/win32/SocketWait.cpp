// Windows Sockets sets are arrays of handles, not bitmaps: select holds any
// socket.
#include "os/SocketWait.h"

#include "os/SocketTime.h"

namespace os {

int WaitForSocket(SOCKET socket, SocketReadiness readiness, unsigned int milliseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval limit = TimevalFromMilliseconds(milliseconds);
  // The first argument is ignored on Windows.
  int count = select(0, readiness == kSocketReadable ? &set : nullptr,
                     readiness == kSocketWritable ? &set : nullptr,
                     readiness == kSocketException ? &set : nullptr, &limit);
  if (count == SOCKET_ERROR) return SOCKET_ERROR;
  return count > 0 && FD_ISSET(socket, &set) ? 1 : 0;
}

}  // namespace os
