// The few Windows Sockets names the transport uses, for POSIX systems.
//
// With this header the transport code is the same on both targets and reports
// the same Windows Sockets error codes: WSAGetLastError maps errno (and the
// resolver's failures) to the WSAE... values. WSAStartup also makes sure that
// a write to a connection the peer has closed comes back as an error code
// instead of a signal that would end the process, as on Windows.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>

// A socket handle: unsigned, with all bits set for "no socket".
typedef unsigned int SOCKET;
#define INVALID_SOCKET (static_cast<SOCKET>(~0u))
#define SOCKET_ERROR (-1)

struct WSADATA {
  unsigned short wVersion;
  unsigned short wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};

// Always succeeds on POSIX; fills `data` with version 1.1.
int WSAStartup(unsigned short versionRequested, WSADATA* data);
int WSACleanup();
// The calling thread's last sockets error as a Windows Sockets code.
int WSAGetLastError();
int closesocket(SOCKET socket);
// Supports FIONBIO: a nonzero *argument selects non-blocking mode.
int ioctlsocket(SOCKET socket, long command, unsigned long* argument);

namespace os {
// The in-out length of getsockname and accept: a socklen_t for POSIX sockets.
typedef socklen_t SocketLength;

// The Windows Sockets code for an errno value (0 for 0). A value without a
// Windows Sockets counterpart gives WSASYSCALLFAILURE.
int WsaErrorFromErrno(int error);
}  // namespace os

#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSASYSCALLFAILURE 10107
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004
