// The resolver's last failure on this thread, shared by the host look-up and
// WSAGetLastError so that a failed look-up reads as WSAHOST_NOT_FOUND and
// friends, as with Windows Sockets.
#pragma once

namespace os {

// Records a failed look-up (`wsaError` nonzero) or a successful one (0).
void SetResolverError(int wsaError);

}  // namespace os
