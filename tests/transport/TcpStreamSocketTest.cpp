// The TCP stream socket: start-up counting, connecting, closing, sending and
// receiving against the fake server.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeHttpServer.h"
#include "OpenDescriptors.h"
#include "TransportTestSupport.h"
#include "transport/TCP_Address.h"
#include "transport/TCP_StreamSocket.h"

namespace {

TCP_Address Loopback(unsigned short port) {
  TCP_Address address;
  address.Set(port, 0x7F000001);
  return address;
}

TEST(TcpStreamSocketStartup, LibraryStartsWithTheFirstObjectAndEndsWithTheLast) {
  ASSERT_EQ(0, TCP_StreamSocket::ObjectCount());
  ASSERT_FALSE(TCP_StreamSocket::LibraryStarted());
  {
    auto first = std::make_unique<TCP_StreamSocket>();
    EXPECT_TRUE(TCP_StreamSocket::LibraryStarted());
    EXPECT_EQ(1, TCP_StreamSocket::ObjectCount());
    {
      TCP_StreamSocket second;
      EXPECT_EQ(2, TCP_StreamSocket::ObjectCount());
      first.reset();
      // The second object still holds the library.
      EXPECT_TRUE(TCP_StreamSocket::LibraryStarted());
      EXPECT_EQ(1, TCP_StreamSocket::ObjectCount());
      EXPECT_EQ(0, second.Create());
    }
    EXPECT_FALSE(TCP_StreamSocket::LibraryStarted());
    EXPECT_EQ(0, TCP_StreamSocket::ObjectCount());
  }
  // Started again by the next object.
  TCP_StreamSocket again;
  EXPECT_TRUE(TCP_StreamSocket::LibraryStarted());
  EXPECT_EQ(0, again.Create());
}

TEST(TcpStreamSocketClose, NeverCreatedAndTwiceBothReturnZero) {
  TCP_StreamSocket socket;
  EXPECT_EQ(0, socket.Close());
  EXPECT_EQ(0, socket.lastError);
  EXPECT_EQ(TCP_StreamSocket::Closed, socket.state);

  ASSERT_EQ(0, socket.Create());
  EXPECT_NE(INVALID_SOCKET, socket.handle);
  EXPECT_EQ(0, socket.Close());
  EXPECT_EQ(INVALID_SOCKET, socket.handle);
  EXPECT_EQ(0, socket.Close());
  EXPECT_EQ(0, socket.lastError);
}

TEST(TcpStreamSocketConnect, RefusedConnectionGivesTheRefusalCodeAndKeepsTheSocket) {
  TCP_StreamSocket socket;
  EXPECT_EQ(WSAECONNREFUSED, socket.Connect(Loopback(ClosedPort())));
  EXPECT_EQ(10061, socket.lastError);
  EXPECT_EQ(TCP_StreamSocket::Closed, socket.state);
  EXPECT_NE(INVALID_SOCKET, socket.handle);  // created by Connect, left for Close
  EXPECT_EQ(0, socket.Close());
  EXPECT_EQ(INVALID_SOCKET, socket.handle);
}

TEST(TcpStreamSocketConnect, ConnectsAgainAfterCloseWithANewSocket) {
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().AwaitBytes(3));
  server.Answer(FakeHttpServer::Script().AwaitBytes(3));
  TCP_StreamSocket socket;
  for (const char* text : {"one", "two"}) {
    ASSERT_EQ(0, socket.Connect(Loopback(server.Port())));
    EXPECT_EQ(TCP_StreamSocket::Connected, socket.state);
    EXPECT_EQ(0, socket.Send(text, 3, 0));
    EXPECT_EQ(0, socket.Close());
    EXPECT_EQ(TCP_StreamSocket::Closed, socket.state);
  }
  ASSERT_TRUE(server.WaitForConnections(2));
  EXPECT_EQ("one", server.Request(0));
  EXPECT_EQ("two", server.Request(1));
  EXPECT_TRUE(server.Problems().empty());
}

TEST(TcpStreamSocketSend, LargeBufferArrivesWholeAndInOrder) {
  // Far more than the system takes in one piece.
  const std::string data = Pattern(8 * 1024 * 1024 + 17);
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().AwaitBytes(data.size()));
  TCP_StreamSocket socket;
  ASSERT_EQ(0, socket.Connect(Loopback(server.Port())));
  EXPECT_EQ(0, socket.Send(data.data(), static_cast<int>(data.size()), 0));
  EXPECT_EQ(0, socket.lastError);
  socket.Close();
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_TRUE(server.Request(0) == data);
}

TEST(TcpStreamSocketSend, GivesUpWhenThePeerStopsReading) {
  ShortWaitBounds bounds(200, 1000);
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().Pause(FakeHttpServer::kStepBound));
  TCP_StreamSocket socket;
  ASSERT_EQ(0, socket.Connect(Loopback(server.Port())));
  socket.timeout.tv_sec = 0;
  socket.timeout.tv_usec = 200000;
  // More than loopback buffers hold while nobody reads.
  const std::string data(64 * 1024 * 1024, 'x');
  Stopwatch watch;
  EXPECT_EQ(WSAETIMEDOUT, socket.Send(data.data(), static_cast<int>(data.size()), 0));
  EXPECT_EQ(WSAETIMEDOUT, socket.lastError);
  EXPECT_GE(watch.Milliseconds(), 900);
  EXPECT_LT(watch.Milliseconds(), 20000);
}

TEST(TcpStreamSocketReceive, PeerClosedAndSilenceBothGiveZeroBytes) {
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().AwaitBytes(1).Pause(300));
  server.Answer(FakeHttpServer::Script().AwaitBytes(1).Send("hello").Close());
  TCP_StreamSocket silent;
  ASSERT_EQ(0, silent.Connect(Loopback(server.Port())));
  ASSERT_EQ(0, silent.Send("?", 1, 0));
  silent.timeout.tv_sec = 0;
  silent.timeout.tv_usec = 100000;
  char buffer[64];
  int length = sizeof buffer;
  EXPECT_EQ(0, silent.Receive(buffer, length, 0));
  EXPECT_EQ(0, length);
  EXPECT_FALSE(silent.PeerClosed());
  silent.Close();

  TCP_StreamSocket closing;
  ASSERT_EQ(0, closing.Connect(Loopback(server.Port())));
  ASSERT_EQ(0, closing.Send("?", 1, 0));
  std::string received;
  for (int attempt = 0; attempt < 100 && !closing.PeerClosed(); ++attempt) {
    length = sizeof buffer;
    ASSERT_EQ(0, closing.Receive(buffer, length, 0));
    received.append(buffer, static_cast<std::size_t>(length));
  }
  EXPECT_EQ("hello", received);
  EXPECT_TRUE(closing.PeerClosed());
  length = sizeof buffer;
  EXPECT_EQ(0, closing.Receive(buffer, length, 0));
  EXPECT_EQ(0, length);
  closing.Close();
  EXPECT_TRUE(server.WaitForConnections(2));
}

TEST(TcpStreamSocketWait, TimesOutWithoutError) {
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().AwaitBytes(1));
  TCP_StreamSocket socket;
  ASSERT_EQ(0, socket.Connect(Loopback(server.Port())));
  socket.timeout.tv_sec = 0;
  socket.timeout.tv_usec = 50000;
  bool ready = true;
  EXPECT_EQ(0, socket.Wait(TCP_StreamSocket::kReadable, ready));
  EXPECT_FALSE(ready);
  EXPECT_EQ(0, socket.Wait(TCP_StreamSocket::kWritable, ready));
  EXPECT_TRUE(ready);
  EXPECT_EQ(0, socket.Send("!", 1, 0));
  socket.Close();
  bool unused = true;
  EXPECT_NE(0, socket.Wait(TCP_StreamSocket::kReadable, unused));
  EXPECT_FALSE(unused);
  EXPECT_TRUE(server.WaitForConnections(1));
}

// A host program may have far more files and sockets open than a classic
// readiness set holds; a request must still wait and succeed.
TEST(TcpStreamSocketWait, LateReplyArrivesWithOverAThousandDescriptorsOpen) {
  HeldDescriptors held(1100);
  if (!held.NotApplicable().empty()) GTEST_SKIP() << held.NotApplicable();
  ASSERT_EQ(1100, held.Count());
  FakeHttpServer server;
  ASSERT_TRUE(server.Listening());
  server.Answer(FakeHttpServer::Script().AwaitBytes(4).Pause(1000).Send("late").Close());
  TCP_StreamSocket socket;
  ASSERT_EQ(0, socket.Connect(Loopback(server.Port())));
  ASSERT_GT(socket.handle, 1024u);  // beyond what a classic readiness set holds
  socket.timeout.tv_sec = 5;
  socket.timeout.tv_usec = 0;
  ASSERT_EQ(0, socket.Send("ask?", 4, 0));
  std::string received;
  char buffer[64];
  for (int attempt = 0; attempt < 20 && !socket.PeerClosed(); ++attempt) {
    int length = sizeof buffer;
    ASSERT_EQ(0, socket.Receive(buffer, length, 0));
    received.append(buffer, static_cast<std::size_t>(length));
  }
  EXPECT_EQ("late", received);
  socket.Close();
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_EQ("ask?", server.Request(0));
  EXPECT_TRUE(server.Problems().empty());
}

}  // namespace
