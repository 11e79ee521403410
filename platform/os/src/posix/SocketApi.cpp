// The Windows Sockets names on POSIX.
#include "os/SocketApi.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include "ResolverError.h"

namespace {

// The resolver's failure, valid while errno still holds the value it had
// right after that failure (the look-up leaves errno at 0): any later failing
// call changes errno and so takes precedence, as it would on Windows.
thread_local int resolverError = 0;

struct ErrnoMapping {
  int error;
  int wsaError;
};

// Winsock's codes mirror the BSD errno names; Linux numbers them differently,
// so every name is mapped explicitly. EINPROGRESS comes only from a connect on
// a non-blocking socket, which Windows reports as WSAEWOULDBLOCK.
const ErrnoMapping kErrnoMappings[] = {
    {EINTR, WSAEINTR},
    {EBADF, WSAEBADF},
    {EACCES, WSAEACCES},
    {EPERM, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EWOULDBLOCK, WSAEWOULDBLOCK},
    {EAGAIN, WSAEWOULDBLOCK},
    {EINPROGRESS, WSAEWOULDBLOCK},
    {EALREADY, WSAEALREADY},
    {ENOTSOCK, WSAENOTSOCK},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTOTYPE, WSAEPROTOTYPE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {ENOTSUP, WSAEOPNOTSUPP},
    {EPFNOSUPPORT, WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ENETRESET, WSAENETRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {ENOMEM, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTDOWN, WSAEHOSTDOWN},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
};

std::mutex startupLock;

// A send to a connection the peer has closed must come back as an error, as
// on Windows, not as SIGPIPE ending the process. A handler the host chose
// itself is left alone.
void IgnoreBrokenPipes() {
  std::lock_guard<std::mutex> hold(startupLock);
  struct sigaction current;
  if (sigaction(SIGPIPE, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) return;
  struct sigaction ignore;
  std::memset(&ignore, 0, sizeof ignore);
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

void CopyText(char* to, std::size_t size, const char* text) {
  std::strncpy(to, text, size - 1);
  to[size - 1] = '\0';
}

}  // namespace

namespace os {

int WsaErrorFromErrno(int error) {
  if (error == 0) return 0;
  for (const ErrnoMapping& mapping : kErrnoMappings) {
    if (mapping.error == error) return mapping.wsaError;
  }
  // No Windows Sockets counterpart: Winsock's generic "a system call failed".
  // Never WSABASEERR + errno, which would collide with real codes (ENODATA is
  // 61 on Linux, and 10061 is WSAECONNREFUSED).
  return WSASYSCALLFAILURE;
}

void SetResolverError(int wsaError) {
  resolverError = wsaError;
  if (wsaError != 0) errno = 0;
}

}  // namespace os

int WSAStartup(unsigned short versionRequested, WSADATA* data) {
  (void)versionRequested;
  IgnoreBrokenPipes();
  if (data != nullptr) {
    std::memset(data, 0, sizeof *data);
    data->wVersion = 0x0101;
    data->wHighVersion = 0x0101;
    CopyText(data->szDescription, sizeof data->szDescription, "POSIX sockets");
    CopyText(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    data->iMaxSockets = FD_SETSIZE;
    data->iMaxUdpDg = 65467;
  }
  return 0;
}

int WSACleanup() { return 0; }

int WSAGetLastError() {
  int error = errno;
  if (error == 0 && resolverError != 0) return resolverError;
  return os::WsaErrorFromErrno(error);
}

int closesocket(SOCKET socket) { return ::close(static_cast<int>(socket)) == 0 ? 0 : SOCKET_ERROR; }

int ioctlsocket(SOCKET socket, long command, unsigned long* argument) {
  if (command != static_cast<long>(FIONBIO) || argument == nullptr) {
    errno = EINVAL;
    return SOCKET_ERROR;
  }
  int fd = static_cast<int>(socket);
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return SOCKET_ERROR;
  flags = *argument != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : SOCKET_ERROR;
}
