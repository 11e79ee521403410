// Sockets through the layer: the same calls and the same Windows Sockets
// error codes on both targets.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "os/HostLookup.h"
#include "os/SocketApi.h"
#include "os/SocketWait.h"
#include "os/Thread.h"

namespace {

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in address;
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

class SocketTest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
  }
  void TearDown() override {
    for (SOCKET socket : sockets_) closesocket(socket);
    WSACleanup();
  }

  SOCKET NewSocket() {
    SOCKET created = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(created, INVALID_SOCKET);
    if (created != INVALID_SOCKET) sockets_.push_back(created);
    return created;
  }

  void Close(SOCKET socket) {
    for (auto it = sockets_.begin(); it != sockets_.end(); ++it) {
      if (*it == socket) {
        sockets_.erase(it);
        break;
      }
    }
    EXPECT_EQ(closesocket(socket), 0);
  }

  // A socket bound to a free loopback port, and that port.
  SOCKET BoundSocket(unsigned short* port) {
    SOCKET bound = NewSocket();
    sockaddr_in address = Loopback(0);
    EXPECT_EQ(bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    os::SocketLength length = sizeof address;
    EXPECT_EQ(getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length), 0);
    *port = ntohs(address.sin_port);
    EXPECT_NE(*port, 0);
    return bound;
  }

  SOCKET Listener(unsigned short* port) {
    SOCKET listener = BoundSocket(port);
    EXPECT_EQ(listen(listener, 4), 0);
    return listener;
  }

  int Connect(SOCKET socket, unsigned short port) {
    sockaddr_in address = Loopback(port);
    return connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }

 private:
  std::vector<SOCKET> sockets_;
};

TEST_F(SocketTest, ConnectToAClosedPortIsRefused) {
  unsigned short port = 0;
  Close(BoundSocket(&port));
  SOCKET client = NewSocket();
  EXPECT_EQ(Connect(client, port), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  EXPECT_EQ(WSAECONNREFUSED, 10061);
}

TEST_F(SocketTest, NonBlockingConnectReportsWouldBlock) {
  unsigned short port = 0;
  SOCKET listener = Listener(&port);
  (void)listener;
  SOCKET client = NewSocket();
  unsigned long nonBlocking = 1;
  ASSERT_EQ(ioctlsocket(client, FIONBIO, &nonBlocking), 0);
  if (Connect(client, port) == SOCKET_ERROR) {
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(os::WaitForSocket(client, os::kSocketWritable, 10000), 1);
  }
  unsigned long blocking = 0;
  EXPECT_EQ(ioctlsocket(client, FIONBIO, &blocking), 0);
}

TEST_F(SocketTest, SendToAClosedPeerIsAnErrorNotTheEndOfTheProcess) {
  unsigned short port = 0;
  SOCKET listener = Listener(&port);
  SOCKET client = NewSocket();
  ASSERT_EQ(Connect(client, port), 0);
  sockaddr_in peer;
  os::SocketLength length = sizeof peer;
  SOCKET accepted = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
  ASSERT_NE(accepted, INVALID_SOCKET);
  EXPECT_EQ(closesocket(accepted), 0);

  // The first sends may still be taken; the peer's reset ends that.
  const char data[] = "data for nobody";
  int result = 0;
  for (int attempt = 0; attempt < 200 && result != SOCKET_ERROR; ++attempt) {
    result = send(client, data, sizeof data, 0);
    if (result != SOCKET_ERROR) os::SleepMilliseconds(10);
  }
  ASSERT_EQ(result, SOCKET_ERROR);
  int error = WSAGetLastError();
  EXPECT_TRUE(error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN) << error;
}

unsigned long FirstAddress(const hostent* entry) {
  unsigned int address = 0;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  return ntohl(address);
}

struct Lookup {
  const char* name;
  unsigned long address = 0;
};

unsigned long LookUpOnThread(void* argument) {
  Lookup* lookup = static_cast<Lookup*>(argument);
  const hostent* entry = os::GetHostByName(lookup->name);
  if (entry != nullptr) lookup->address = FirstAddress(entry);
  return entry != nullptr ? 1 : 0;
}

TEST_F(SocketTest, HostEntryBelongsToTheThreadThatLookedItUp) {
  const hostent* mine = os::GetHostByName("127.0.0.1");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->h_addrtype, AF_INET);
  EXPECT_EQ(mine->h_length, 4);
  EXPECT_EQ(FirstAddress(mine), 0x7F000001ul);

  Lookup other;
  other.name = "127.0.0.2";
  os::ThreadHandle* thread = os::StartThread(LookUpOnThread, &other);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(os::WaitForThread(thread, 30000));
  unsigned long found = 0;
  EXPECT_TRUE(os::ThreadExitCode(thread, &found));
  EXPECT_EQ(found, 1ul);
  os::ReleaseThread(thread);
  EXPECT_EQ(other.address, 0x7F000002ul);

  // The other thread's look-up left this thread's entry as it was.
  EXPECT_EQ(FirstAddress(mine), 0x7F000001ul);
}

TEST_F(SocketTest, LocalhostResolves) {
  const hostent* entry = os::GetHostByName("localhost");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->h_addrtype, AF_INET);
  EXPECT_EQ(FirstAddress(entry) >> 24, 127ul);
}

}  // namespace
