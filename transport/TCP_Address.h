// One IPv4 socket address, laid out exactly as the platform's sockaddr_in so
// that it can be handed to connect directly.
//
// The family is always AF_INET; port and address are stored in network byte
// order, the trailing 8 bytes are zero. Copying copies all 16 bytes. A plain
// value: it owns nothing and belongs to whichever thread holds it.
#pragma once

#include "os/SocketApi.h"

class TCP_Address {
 public:
  // Family AF_INET, port 0, address 0.0.0.0.
  TCP_Address();

  // Stores htons(port) and htonl(address); both arguments in host byte order.
  void Set(unsigned short port, unsigned long address);
  // Replaces the port only; `port` in host byte order.
  void SetPort(unsigned short port);
  // Replaces the address only; `address` in network byte order, as a
  // resolver or inet_addr delivers it.
  void SetNetworkAddress(unsigned long address);

  unsigned short Family() const;
  // The port in host byte order.
  unsigned short Port() const;
  // The address in network byte order, as stored.
  unsigned long NetworkAddress() const;

  // The address as connect takes it, sizeof(sockaddr_in) bytes.
  const sockaddr* SocketAddress() const;

 private:
  sockaddr_in value_;
};
