// The server object's life: without a server, with an unknown one, and with
// a connection that is refused.
#include <gtest/gtest.h>

#include "TransportTestSupport.h"
#include "transport/PadServer.h"

namespace {

TEST(PadServerObject, RefusedConnectionGives10061) {
  PadServer server;
  server.SetServer("127.0.0.1", ClosedPort(), "/");
  EXPECT_EQ(10061, server.Connect());
  // The failed attempt's socket is closed by the next Connect or the
  // destructor; a second attempt fails the same way.
  EXPECT_EQ(10061, server.Connect());
}

TEST(PadServerObject, UnknownHostFailsAtConnect) {
  PadServer server;
  server.SetServer("no-such-host.invalid", 80, "/");
  EXPECT_NE(0, server.Connect());
  EXPECT_EQ(0, server.Disconnect());
}

TEST(PadServerObject, ObjectsComeAndGoWithoutAServerAndReleaseTheSocketLibrary) {
  {
    PadServer first;
    PadServer second;
    PadServer::SetProxy(nullptr, 0, "pattern-only");
    EXPECT_EQ(2, TCP_StreamSocket::ObjectCount());
  }
  EXPECT_EQ(0, TCP_StreamSocket::ObjectCount());
  EXPECT_FALSE(TCP_StreamSocket::LibraryStarted());
}

}  // namespace
