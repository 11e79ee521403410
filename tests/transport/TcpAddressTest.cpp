// IPv4 addresses and host name resolution.
#include <gtest/gtest.h>

#include <cstring>

#include "transport/TCP_Address.h"
#include "transport/TCP_HostName.h"
#include "transport/TCP_StreamSocket.h"

namespace {

// The four address bytes as they lie in memory (network order).
std::string Bytes(const TCP_Address& address) {
  const sockaddr_in* raw = reinterpret_cast<const sockaddr_in*>(address.SocketAddress());
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&raw->sin_addr);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

TEST(TcpAddress, LaysOutASocketAddressInNetworkByteOrder) {
  TCP_Address address;
  EXPECT_EQ(AF_INET, address.Family());
  EXPECT_EQ(0, address.Port());
  address.Set(8080, 0x0A010203);
  const unsigned char* raw = reinterpret_cast<const unsigned char*>(address.SocketAddress());
  const unsigned char expected[16] = {0, 0, 0x1F, 0x90, 10, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0};
  // The family field is in host byte order; everything else is fixed.
  EXPECT_EQ(AF_INET, reinterpret_cast<const sockaddr_in*>(raw)->sin_family);
  EXPECT_EQ(0, std::memcmp(raw + 2, expected + 2, 14));
  EXPECT_EQ(8080, address.Port());

  TCP_Address copy;
  copy = address;
  EXPECT_EQ(0, std::memcmp(copy.SocketAddress(), address.SocketAddress(), 16));
  copy.SetPort(80);
  EXPECT_EQ(80, copy.Port());
  EXPECT_EQ("10.1.2.3", Bytes(copy));
}

class TcpHostNameTest : public testing::Test {
 protected:
  // The sockets library must be up for look-ups on Windows.
  TCP_StreamSocket library_;
};

TEST_F(TcpHostNameTest, ResolvesNamesAndDottedAddresses) {
  struct Case {
    const char* name;
    const char* address;
  } cases[] = {
      {"localhost", "127.0.0.1"},
      {"10.20.30.40", "10.20.30.40"},
      // Unknown to the name service and no dotted address: INADDR_NONE.
      {"no-such-host.invalid", "255.255.255.255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCP_HostName host(c.name);
    EXPECT_STREQ(c.name, host.name);
    TCP_Address address;
    address.Set(1234, 1);
    bool resolved = false;
    TCP_Address& result = host.Resolve(address, resolved);
    EXPECT_EQ(&address, &result);
    EXPECT_TRUE(resolved);
    EXPECT_EQ(c.address, Bytes(address));
    EXPECT_EQ(0, address.Port());
    EXPECT_EQ(AF_INET, address.Family());
  }
}

}  // namespace
