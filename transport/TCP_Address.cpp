#include "transport/TCP_Address.h"

#include <cstring>

static_assert(sizeof(TCP_Address) == sizeof(sockaddr_in), "TCP_Address must be a sockaddr_in");
static_assert(sizeof(sockaddr_in) == 16, "connect is given 16 bytes");

TCP_Address::TCP_Address() {
  std::memset(&value_, 0, sizeof value_);
  value_.sin_family = AF_INET;
}

void TCP_Address::Set(unsigned short port, unsigned long address) {
  value_.sin_family = AF_INET;
  value_.sin_port = htons(port);
  value_.sin_addr.s_addr = htonl(static_cast<unsigned int>(address));
}

void TCP_Address::SetPort(unsigned short port) { value_.sin_port = htons(port); }

void TCP_Address::SetNetworkAddress(unsigned long address) {
  value_.sin_addr.s_addr = static_cast<unsigned int>(address);
}

unsigned short TCP_Address::Family() const { return value_.sin_family; }

unsigned short TCP_Address::Port() const { return ntohs(value_.sin_port); }

unsigned long TCP_Address::NetworkAddress() const { return value_.sin_addr.s_addr; }

const sockaddr* TCP_Address::SocketAddress() const {
  return reinterpret_cast<const sockaddr*>(&value_);
}
