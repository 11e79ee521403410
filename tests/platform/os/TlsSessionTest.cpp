// The target's TLS engine against real servers that tls-session.sh starts on
// loopback: a good one, certificates that must be refused, a peer that is too
// old, one that is not TLS, one that stays silent and one that ends the
// stream without close_notify. The same program runs on both targets.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "os/SocketApi.h"
#include "os/SocketWait.h"
#include "os/TlsSession.h"

namespace {

// A connected loopback socket as the session's channel, each read bounded by
// `readMilliseconds`.
class SocketChannel : public os::TlsChannel {
 public:
  explicit SocketChannel(unsigned int readMilliseconds) : readMilliseconds_(readMilliseconds) {}
  ~SocketChannel() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }

  int Connect(unsigned short port) {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    if (socket_ == INVALID_SOCKET) return WSAGetLastError();
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return WSAGetLastError();
    }
    return 0;
  }

  int SendRaw(const char* data, int length) override {
    while (length > 0) {
      int sent = send(socket_, data, length, 0);
      if (sent == SOCKET_ERROR) return WSAGetLastError();
      data += sent;
      length -= sent;
    }
    return 0;
  }

  int ReceiveRaw(char* buffer, int& length, bool& ended) override {
    int capacity = length;
    length = 0;
    ended = false;
    int ready = os::WaitForSocket(socket_, os::kSocketReadable, readMilliseconds_);
    if (ready == SOCKET_ERROR) return WSAGetLastError();
    if (ready == 0) return 0;
    int received = recv(socket_, buffer, capacity, 0);
    if (received == SOCKET_ERROR) return WSAGetLastError();
    length = received;
    ended = received == 0;
    return 0;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  unsigned int readMilliseconds_;
};

enum class Exchange {
  kNone,      // the handshake must fail
  kReply,     // a GET gets a reply
  kTruncated  // a GET gets a reply and then a bare end of stream
};

struct HandshakeCase {
  const char* name;
  const char* portVariable;
  const char* hostName;
  bool withCaFile;
  unsigned int silenceMilliseconds;
  int result;  // of the handshake
  os::TlsFailure failure;
  Exchange exchange;
};

const HandshakeCase kCases[] = {
    {"trusted by the CA file", "BAZARO_TEST_TLS_GOOD_PORT", "localhost", true, 10000, 0,
     os::TlsFailure::kNone, Exchange::kReply},
    {"named by its IP address", "BAZARO_TEST_TLS_GOOD_PORT", "127.0.0.1", true, 10000, 0,
     os::TlsFailure::kNone, Exchange::kReply},
    {"CA not trusted", "BAZARO_TEST_TLS_GOOD_PORT", "localhost", false, 10000, -1,
     os::TlsFailure::kUntrusted, Exchange::kNone},
    {"another host's certificate", "BAZARO_TEST_TLS_WRONG_NAME_PORT", "localhost", true, 10000, -1,
     os::TlsFailure::kWrongName, Exchange::kNone},
    {"the good certificate under another name", "BAZARO_TEST_TLS_GOOD_PORT", "127.0.0.2", true,
     10000, -1, os::TlsFailure::kWrongName, Exchange::kNone},
    {"expired", "BAZARO_TEST_TLS_EXPIRED_PORT", "localhost", true, 10000, -1,
     os::TlsFailure::kExpired, Exchange::kNone},
    {"self-signed", "BAZARO_TEST_TLS_SELF_SIGNED_PORT", "localhost", true, 10000, -1,
     os::TlsFailure::kUntrusted, Exchange::kNone},
    {"TLS 1.1 only", "BAZARO_TEST_TLS_OLD_PROTOCOL_PORT", "localhost", true, 10000, -1,
     os::TlsFailure::kOldProtocol, Exchange::kNone},
    {"not TLS", "BAZARO_TEST_TLS_PLAIN_PORT", "localhost", true, 10000, -1, os::TlsFailure::kNotTls,
     Exchange::kNone},
    {"silent", "BAZARO_TEST_TLS_SILENT_PORT", "localhost", true, 1500, -1, os::TlsFailure::kStalled,
     Exchange::kNone},
    {"ends without close_notify", "BAZARO_TEST_TLS_TRUNCATING_PORT", "localhost", true, 10000, 0,
     os::TlsFailure::kNone, Exchange::kTruncated},
};

class TlsSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    caFile_ = std::getenv("BAZARO_TEST_TLS_CA_FILE");
    if (caFile_ == nullptr) GTEST_SKIP() << "run by tls-session.sh, which starts the servers";
    // A path the target cannot open would pass for an untrusted CA.
    std::FILE* file = std::fopen(caFile_, "rb");
    ASSERT_NE(file, nullptr) << caFile_;
    std::fclose(file);
  }
  void TearDown() override { WSACleanup(); }

  const char* caFile_ = nullptr;
};

// Runs `test`'s handshake and, when it succeeds, a GET to the end, checking
// both; the session is left in `session`.
void RunCase(const HandshakeCase& test, const char* caFile,
             std::unique_ptr<os::TlsSession>& session) {
  typedef std::chrono::steady_clock Clock;
  SCOPED_TRACE(test.name);
  const char* port = std::getenv(test.portVariable);
  ASSERT_NE(port, nullptr) << test.portVariable;
  SocketChannel channel(250);
  ASSERT_EQ(channel.Connect(static_cast<unsigned short>(std::atoi(port))), 0);
  session = os::TlsSession::Create();
  ASSERT_NE(session, nullptr);

  Clock::time_point start = Clock::now();
  // A file that cannot be read stands first in the list and adds nothing.
  const char* caFiles[] = {"no-such-ca.pem", caFile, nullptr};
  int result = session->Handshake(channel, test.hostName, test.withCaFile ? caFiles : nullptr,
                                  test.silenceMilliseconds);
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_EQ(result, test.result);
  EXPECT_EQ(session->Failure(), test.failure);
  if (test.failure == os::TlsFailure::kStalled) {
    EXPECT_GE(elapsed.count(), test.silenceMilliseconds - 100);
    EXPECT_LT(elapsed.count(), test.silenceMilliseconds + 3000);
  }
  if (test.exchange == Exchange::kNone || result != 0) {
    // A failed session writes nothing.
    EXPECT_NE(session->Write("x", 1), 0);
    return;
  }

  // Before the request the server has nothing to say: a wait that runs
  // out (session tickets at most arrive, handled inside).
  char early[64];
  int earlyLength = sizeof early;
  bool ended = true;
  EXPECT_EQ(session->Read(early, earlyLength, ended), 0);
  EXPECT_EQ(earlyLength, 0);
  EXPECT_FALSE(ended);

  const char request[] = "GET / HTTP/1.0\r\nHost: localhost\r\n\r\n";
  ASSERT_EQ(session->Write(request, sizeof request - 1), 0);
  // Reads to the end, an error, or ten seconds of silence.
  std::string reply;
  int readResult = 0;
  for (int emptyReads = 0; emptyReads < 40 && readResult == 0 && !ended;) {
    char buffer[512];
    int length = sizeof buffer;
    readResult = session->Read(buffer, length, ended);
    if (length == 0) ++emptyReads;
    reply.append(buffer, length);
  }
  EXPECT_NE(reply.find("HTTP/1."), std::string::npos) << reply;
  if (test.exchange == Exchange::kTruncated) {
    EXPECT_NE(reply.find("cut short"), std::string::npos) << reply;
    EXPECT_EQ(readResult, WSAECONNRESET);
    EXPECT_EQ(session->Failure(), os::TlsFailure::kTruncated);
  } else {
    EXPECT_EQ(readResult, 0);
    EXPECT_TRUE(ended);
  }
  session->Close();
}

TEST_F(TlsSessionTest, HandshakeAndExchangeAgainstEachServer) {
  for (const HandshakeCase& test : kCases) {
    std::unique_ptr<os::TlsSession> session;
    RunCase(test, caFile_, session);
  }
}

// A second handshake with the same name and trust resumes the first one's
// session; another server under that name, or the same one without the
// trust, cannot take it and is checked in full.
TEST_F(TlsSessionTest, OnlyTheSameNameAndTrustResume) {
  const HandshakeCase& trusted = kCases[0];
  std::unique_ptr<os::TlsSession> session;
  RunCase(trusted, caFile_, session);
  RunCase(trusted, caFile_, session);
  const char* noResumption = std::getenv("BAZARO_TEST_TLS_NO_RESUMPTION");
  if (noResumption == nullptr || *noResumption == '\0') {
    EXPECT_TRUE(session->Resumed());
  }
  for (const HandshakeCase& refused : {kCases[3], kCases[2]}) {
    RunCase(trusted, caFile_, session);
    RunCase(refused, caFile_, session);
    EXPECT_FALSE(session->Resumed()) << refused.name;
  }
}

// Run again natively with the CA among the system's roots (SSL_CERT_DIR, a
// hashed directory): trusted with no CA file named.
TEST_F(TlsSessionTest, TheSystemRootsAreTrusted) {
  if (std::getenv("BAZARO_TEST_TLS_CA_IN_SYSTEM") == nullptr) {
    GTEST_SKIP() << "the CA is not among the system's roots in this run";
  }
  const char* port = std::getenv("BAZARO_TEST_TLS_GOOD_PORT");
  ASSERT_NE(port, nullptr);
  SocketChannel channel(250);
  ASSERT_EQ(channel.Connect(static_cast<unsigned short>(std::atoi(port))), 0);
  std::unique_ptr<os::TlsSession> session = os::TlsSession::Create();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->Handshake(channel, "localhost", nullptr, 10000), 0);
  EXPECT_EQ(session->Failure(), os::TlsFailure::kNone);
}

}  // namespace
