#include "transport/TCP_HostName.h"

#include <cstring>

#include "kernel/KernelResources.h"
#include "os/HostLookup.h"

TCP_HostName::TCP_HostName(const char* hostName) : name(nullptr), hostEntry(nullptr) {
  if (hostName == nullptr) return;
  std::size_t size = std::strlen(hostName) + 1;
  name = static_cast<char*>(MwNew(static_cast<unsigned int>(size)));
  if (name == nullptr) return;
  std::memcpy(name, hostName, size);
  hostEntry = os::GetHostByName(name);
}

TCP_HostName::~TCP_HostName() { MwDelete(name); }

TCP_Address& TCP_HostName::Resolve(TCP_Address& out, bool& resolved) {
  out = TCP_Address();
  if (hostEntry != nullptr) {
    // Only the first address counts, and only an IPv4 one fits the address.
    const char* first = hostEntry->h_addr_list != nullptr ? hostEntry->h_addr_list[0] : nullptr;
    if (first != nullptr && hostEntry->h_length == 4) {
      unsigned int address;
      std::memcpy(&address, first, sizeof address);
      out.SetNetworkAddress(address);
      resolved = true;
    } else {
      resolved = false;
    }
    return out;
  }
  if (name != nullptr) {
    out.SetNetworkAddress(inet_addr(name));
    resolved = true;
    return out;
  }
  resolved = false;
  return out;
}
