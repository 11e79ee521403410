// A host name together with the resolver's answer for it.
//
// The constructor keeps a copy of the name (from the kernel heap, MwNew) and
// asks the name service at once. The resolver's entry belongs to the sockets
// library and stays valid only until the next look-up on the same thread, so
// the owner calls Resolve right after construction. Used by one thread.
#pragma once

#include "os/SocketApi.h"
#include "transport/TCP_Address.h"

class TCP_HostName {
 public:
  // `hostName` stays the caller's; null is accepted and resolves to nothing.
  explicit TCP_HostName(const char* hostName);
  virtual ~TCP_HostName();
  TCP_HostName(const TCP_HostName&) = delete;
  TCP_HostName& operator=(const TCP_HostName&) = delete;

  // Fills `out` (family AF_INET, port 0) and `resolved`, and returns `out`:
  // the first address of the resolver's entry; when the look-up failed, the
  // name read as a dotted-decimal address (INADDR_NONE when it is not one,
  // still with `resolved` true); address 0 with `resolved` false when there
  // is neither an address in the entry nor a name.
  TCP_Address& Resolve(TCP_Address& out, bool& resolved);

  // The name exactly as given (owned kernel-heap copy), or null.
  char* name;
  // The resolver's entry for `name`, not owned; null when the look-up failed.
  hostent* hostEntry;
};
