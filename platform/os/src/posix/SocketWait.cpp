// poll, not select: a select set holds only descriptors below FD_SETSIZE.
#include "os/SocketWait.h"

#include <cerrno>

#include <poll.h>

namespace os {

int WaitForSocket(SOCKET socket, SocketReadiness readiness, unsigned int milliseconds) {
  pollfd entry;
  entry.fd = static_cast<int>(socket);
  entry.events = readiness == kSocketReadable   ? POLLIN
                 : readiness == kSocketWritable ? POLLOUT
                                                : POLLPRI;
  entry.revents = 0;
  // Bounded below INT_MAX, poll's own limit (and -1 would mean for ever).
  const unsigned int kLongest = 0x7FFFFFFF;
  int count =
      ::poll(&entry, 1, static_cast<int>(milliseconds < kLongest ? milliseconds : kLongest));
  if (count < 0) return SOCKET_ERROR;
  if (count == 0) return 0;
  // As select reports it: a handle that is not open is a failure of the
  // wait; an error or hang-up counts as ready, so that the next call on the
  // socket reports it instead of waiting again.
  if ((entry.revents & POLLNVAL) != 0) {
    errno = EBADF;
    return SOCKET_ERROR;
  }
  return (entry.revents & (entry.events | POLLERR | POLLHUP)) != 0 ? 1 : 0;
}

}  // namespace os
