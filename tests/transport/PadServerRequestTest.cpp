// The bytes a request puts on the wire, directly and through a proxy, checked
// against what the fake server recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "FakeHttpServer.h"
#include "mkres/MwMemory.h"
#include "transport/PadServer.h"

namespace {

const std::string kHeaderBlock0 =
    "Content-type: application/x-www-form-urlencoded\r\nContent-length: 0\r\n\n";

std::string HeaderBlock(unsigned long announced) {
  return "Content-type: application/x-www-form-urlencoded\r\nContent-length: " +
         std::to_string(announced) + "\r\n\n";
}

// Sends `command` to pad-cgi as a terminated command body, reads the reply
// and disconnects. The result of the first step that failed, or 0.
int SendCommand(PadServer& server, const std::string& command) {
  int result = server.Connect();
  if (result != 0) return result;
  result = server.SendRequestHead(PadServer::kPost, PadServer::kPadCgi,
                                  static_cast<unsigned long>(command.size()), true);
  if (result == 0) {
    result = server.SendBody(command.data(), static_cast<unsigned long>(command.size()), true);
  }
  if (result == 0) {
    char* reply = nullptr;
    unsigned long length = 0;
    result = server.ReceiveReply(reply, length, true);
    MwDelete(reply);
  }
  server.Disconnect();
  return result;
}

// The request line of a recorded request.
std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n") + 2);
}

class PadServerRequestTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Listening());
    ASSERT_TRUE(proxy_.Listening());
  }
  void TearDown() override {
    EXPECT_TRUE(server_.Problems().empty());
    EXPECT_TRUE(proxy_.Problems().empty());
  }

  // The server answers the next command with an empty reply.
  void AnswerOnce(FakeHttpServer& fake) {
    fake.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = "));
  }

  FakeHttpServer server_;
  FakeHttpServer proxy_;
};

TEST_F(PadServerRequestTest, DirectCommandIsAnnouncedOneLongerAndEndsWithOneTerminator) {
  AnswerOnce(server_);
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), "/cgi-bin/");
  EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
  ASSERT_TRUE(server_.WaitForConnections(1));
  EXPECT_EQ("POST /cgi-bin/pad-cgi HTTP/1.0\r\n" + HeaderBlock(13) + "GetNewPadID\n\xFF",
            server_.Request(0));
}

TEST_F(PadServerRequestTest, UnterminatedBodiesGoOutAsGivenInSeveralSends) {
  server_.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n"));
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), "/bazaro/");
  ASSERT_EQ(0, pad.Connect());
  ASSERT_EQ(0, pad.SendRequestHead(PadServer::kPost, PadServer::kPadGzPutCgi, 25, false));
  ASSERT_EQ(0, pad.SendBody("FILE_NAME = 42.pad\n", 19, false));
  ASSERT_EQ(0, pad.SendBody("\x1F\x8B\xFF\0ab", 6, false));
  char* text = nullptr;
  unsigned long length = 0;
  EXPECT_EQ(0, pad.ReceiveRaw(text, length));
  MwDelete(text);
  pad.Disconnect();
  ASSERT_TRUE(server_.WaitForConnections(1));
  EXPECT_EQ("POST /bazaro/pad-gzput-cgi HTTP/1.0\r\n" + HeaderBlock(25) +
                std::string("FILE_NAME = 42.pad\n\x1F\x8B\xFF\0ab", 25),
            server_.Request(0));
}

TEST_F(PadServerRequestTest, FileRequestUsesThePathAloneAndAnnouncesNothing) {
  server_.Answer(FakeHttpServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n"));
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), "/cgi-bin/");
  ASSERT_EQ(0, pad.Connect());
  // Blanks go on the wire unchanged.
  ASSERT_EQ(0, pad.SendFileRequestHead(PadServer::kGet, "/misc/my file.txt"));
  char* body = nullptr;
  unsigned long length = 7;
  EXPECT_EQ(0, pad.ReceiveSizedReply(body, length));
  EXPECT_EQ(0u, length);
  MwDelete(body);
  pad.Disconnect();
  ASSERT_TRUE(server_.WaitForConnections(1));
  EXPECT_EQ("GET /misc/my file.txt HTTP/1.0\r\n" + kHeaderBlock0, server_.Request(0));
}

TEST_F(PadServerRequestTest, WithoutACgiPathTheTargetBeginsWithTheCgiName) {
  AnswerOnce(server_);
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), nullptr);
  EXPECT_EQ(0, SendCommand(pad, "DeletePad 42\n"));
  ASSERT_TRUE(server_.WaitForConnections(1));
  EXPECT_EQ("POST pad-cgi HTTP/1.0\r\n", RequestLine(server_.Request(0)));
}

TEST_F(PadServerRequestTest, ThroughTheProxyTheTargetIsAbsolute) {
  AnswerOnce(proxy_);
  proxy_.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n"));
  PadServer pad;
  pad.SetServer("localhost", 8080, "/cgi-bin/");
  PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
  EXPECT_EQ(0, SendCommand(pad, "GetChildPads 7\n"));
  ASSERT_EQ(0, pad.Connect());
  ASSERT_EQ(0, pad.SendFileRequestHead(PadServer::kGet, "/misc/help.txt"));
  char* body = nullptr;
  unsigned long length = 0;
  EXPECT_EQ(0, pad.ReceiveSizedReply(body, length));
  MwDelete(body);
  pad.Disconnect();
  ASSERT_TRUE(proxy_.WaitForConnections(2));
  EXPECT_EQ("POST http://localhost:8080/cgi-bin/pad-cgi HTTP/1.0\r\n" + HeaderBlock(16) +
                "GetChildPads 7\n\xFF",
            proxy_.Request(0));
  EXPECT_EQ("GET http://localhost:8080/misc/help.txt HTTP/1.0\r\n" + kHeaderBlock0,
            proxy_.Request(1));
  EXPECT_EQ(0u, server_.ConnectionCount());
}

TEST_F(PadServerRequestTest, WithTlsTheProxyIsAskedForATunnelAndTheHandshakeRunsInIt) {
  const std::string connect = "CONNECT localhost:8443 HTTP/1.0\r\n\r\n";
  PadServer pad;
  pad.SetServer("localhost", 8443, "/cgi-bin/");
  pad.SetTls(true, nullptr);
  PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
  // A refused tunnel fails the exchange before anything else is sent.
  proxy_.Answer(
      FakeHttpServer::Script().AwaitBytes(connect.size()).Send("HTTP/1.0 403 Forbidden\r\n\r\n"));
  EXPECT_EQ(-1, pad.Connect());
  pad.Disconnect();
  // An open tunnel carries the client's hello, a handshake record, and no
  // request in the clear.
  proxy_.Answer(FakeHttpServer::Script()
                    .AwaitBytes(connect.size())
                    .Send("HTTP/1.0 200 Connection established\r\n\r\n")
                    .AwaitBytes(connect.size() + 5)
                    .Close());
  EXPECT_NE(0, pad.Connect());
  pad.Disconnect();
  ASSERT_TRUE(proxy_.WaitForConnections(2));
  EXPECT_EQ(connect, proxy_.Request(0));
  EXPECT_EQ(connect + "\x16\x03", proxy_.Request(1).substr(0, connect.size() + 2));
  EXPECT_EQ(0u, server_.ConnectionCount());
}

TEST_F(PadServerRequestTest, CredentialsGoOnlyWhereTheirReaderIsTheOnlyOne) {
  const std::string proxyLine = "Proxy-Authorization: Basic cHJveHk6cHc=\r\n";
  PadServer pad;
  pad.SetAuthorization("c2VydmVyOnB3", "cHJveHk6cHc=");
  // Plain and direct: neither token.
  pad.SetServer("127.0.0.1", server_.Port(), "/");
  AnswerOnce(server_);
  EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
  // TLS switched on over a plain connection already open: still not.
  server_.Answer(FakeHttpServer::Script());
  ASSERT_EQ(0, pad.Connect());
  pad.SetTls(true, nullptr);
  ASSERT_EQ(0, pad.SendFileRequestHead(PadServer::kGet, "/misc/x"));
  pad.Disconnect();
  pad.SetTls(false, nullptr);
  ASSERT_TRUE(server_.WaitForConnections(2));
  EXPECT_EQ("POST /pad-cgi HTTP/1.0\r\n" + HeaderBlock(13) + "GetNewPadID\n\xFF",
            server_.Request(0));
  EXPECT_EQ("GET /misc/x HTTP/1.0\r\n" + kHeaderBlock0, server_.Request(1));

  // Plain through the proxy: the proxy's token alone.
  PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
  pad.SetServer("localhost", 8080, nullptr);
  AnswerOnce(proxy_);
  EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
  ASSERT_TRUE(proxy_.WaitForConnections(1));
  EXPECT_EQ("POST http://localhost:8080/pad-cgi HTTP/1.0\r\n" + proxyLine + HeaderBlock(13) +
                "GetNewPadID\n\xFF",
            proxy_.Request(0));

  // The CONNECT of a tunnel carries the proxy's token.
  const std::string connect = "CONNECT localhost:8443 HTTP/1.0\r\n" + proxyLine + "\r\n";
  pad.SetServer("localhost", 8443, nullptr);
  pad.SetTls(true, nullptr);
  proxy_.Answer(
      FakeHttpServer::Script().AwaitBytes(connect.size()).Send("HTTP/1.0 403 Forbidden\r\n\r\n"));
  EXPECT_EQ(-1, pad.Connect());
  pad.Disconnect();
  ASSERT_TRUE(proxy_.WaitForConnections(2));
  EXPECT_EQ(connect, proxy_.Request(1));

  // A token that could end its line is dropped, and null clears one.
  pad.SetTls(false, nullptr);
  pad.SetServer("localhost", 8080, nullptr);
  for (const char* token : {"cHJveHk6cHc=\r\nX-Injected: 1", static_cast<const char*>(nullptr)}) {
    pad.SetAuthorization(nullptr, "cHJveHk6cHc=");
    pad.SetAuthorization(nullptr, token);
    AnswerOnce(proxy_);
    EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
  }
  ASSERT_TRUE(proxy_.WaitForConnections(4));
  const std::string bare =
      "POST http://localhost:8080/pad-cgi HTTP/1.0\r\n" + HeaderBlock(13) + "GetNewPadID\n\xFF";
  EXPECT_EQ(bare, proxy_.Request(2));
  EXPECT_EQ(bare, proxy_.Request(3));
}

TEST_F(PadServerRequestTest, ACutOffEndsAHandshakeAtOnce) {
  server_.Answer(FakeHttpServer::Script().Pause(5000));
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), "/");
  pad.SetTls(true, nullptr);
  std::thread cutter([&pad] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pad.CutOff();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_NE(0, pad.Connect());
  auto waited = std::chrono::steady_clock::now() - start;
  cutter.join();
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

TEST_F(PadServerRequestTest, NoProxyPatternIsACaseSensitiveSubstringOfTheHostName) {
  PadServer pad;
  pad.SetServer("localhost", server_.Port(), "/");
  // Each step: the pattern given (null: only the host was set), where the
  // command goes.
  struct Step {
    const char* host;
    const char* pattern;
    bool direct;
  } steps[] = {
      {"127.0.0.1", "nomatch", false},
      {nullptr, "LOCAL", false},
      {nullptr, "host", true},
      {nullptr, "localhost", true},
      // A null host leaves the proxy and its port as they were.
      {nullptr, "zzz", false},
  };
  std::size_t toServer = 0;
  std::size_t toProxy = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.pattern);
    PadServer::SetProxy(step.host, step.host != nullptr ? proxy_.Port() : 9, step.pattern);
    FakeHttpServer& target = step.direct ? server_ : proxy_;
    std::size_t& count = step.direct ? toServer : toProxy;
    AnswerOnce(target);
    EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
    ASSERT_TRUE(target.WaitForConnections(++count));
    std::string expected = step.direct ? "POST /pad-cgi HTTP/1.0\r\n"
                                       : "POST http://localhost:" + std::to_string(server_.Port()) +
                                             "/pad-cgi HTTP/1.0\r\n";
    EXPECT_EQ(expected, RequestLine(target.Request(count - 1)));
  }
  EXPECT_EQ(2u, server_.ConnectionCount());
  EXPECT_EQ(3u, proxy_.ConnectionCount());
}

TEST_F(PadServerRequestTest, ProxyLastsWhileAnyServerObjectLivesAndGoesWithTheLast) {
  {
    PadServer first;
    PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
    {
      PadServer second;
      second.SetServer("127.0.0.1", server_.Port(), "/");
      AnswerOnce(proxy_);
      EXPECT_EQ(0, SendCommand(second, "GetNewPadID\n"));
      ASSERT_TRUE(proxy_.WaitForConnections(1));
    }
    // `second` was not the last one: the proxy stays.
    first.SetServer("127.0.0.1", server_.Port(), "/");
    AnswerOnce(proxy_);
    EXPECT_EQ(0, SendCommand(first, "GetNewPadID\n"));
    ASSERT_TRUE(proxy_.WaitForConnections(2));
  }
  PadServer later;
  later.SetServer("127.0.0.1", server_.Port(), "/");
  AnswerOnce(server_);
  EXPECT_EQ(0, SendCommand(later, "GetNewPadID\n"));
  ASSERT_TRUE(server_.WaitForConnections(1));
  EXPECT_EQ("POST /pad-cgi HTTP/1.0\r\n", RequestLine(server_.Request(0)));
  EXPECT_EQ(2u, proxy_.ConnectionCount());
}

TEST_F(PadServerRequestTest, SetServerReplacesHostAndPortTogetherAndThePathAlone) {
  PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
  PadServer pad;
  pad.SetServer("localhost", 1, "/first/");
  pad.SetServer("127.0.0.1", server_.Port(), nullptr);
  // The port goes only with a host.
  pad.SetServer(nullptr, 2, "/second/");
  AnswerOnce(proxy_);
  EXPECT_EQ(0, SendCommand(pad, "GetNewPadID\n"));
  ASSERT_TRUE(proxy_.WaitForConnections(1));
  EXPECT_EQ(
      "POST http://127.0.0.1:" + std::to_string(server_.Port()) + "/second/pad-cgi HTTP/1.0\r\n",
      RequestLine(proxy_.Request(0)));
}

TEST_F(PadServerRequestTest, ControlCharactersInRequestLineTextsAreRefused) {
  struct Case {
    const char* what;
    const char* host;
    const char* path;
    const char* method;
    const char* name;
    bool fileRequest;
  } cases[] = {
      {"host through the proxy", "localhost\r\nX-Injected: 1", "/", "POST", "pad-cgi", false},
      {"CGI path", "localhost", "/cgi\r\nX-Injected: 1/", "POST", "pad-cgi", false},
      {"CGI name", "localhost", "/", "POST", "pad-cgi\nX-Injected: 1", false},
      {"tab in the CGI name", "localhost", "/", "POST", "pad\tcgi", false},
      {"method", "localhost", "/", "PO\rST", "pad-cgi", false},
      {"file path", "localhost", "/", "GET", "/misc/a\x01.txt", true},
      {"DEL in the file path", "localhost", "/", "GET", "/misc/a\x7F.txt", true},
  };
  std::size_t connections = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each object is the only one, so the proxy goes with it.
    PadServer pad;
    PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
    pad.SetServer(c.host, 80, c.path);
    proxy_.Answer(FakeHttpServer::Script());
    ASSERT_EQ(0, pad.Connect());
    if (c.fileRequest) {
      EXPECT_EQ(-1, pad.SendFileRequestHead(c.method, c.name));
    } else {
      EXPECT_EQ(-1, pad.SendRequestHead(c.method, c.name, 3, true));
    }
    pad.Disconnect();
    ASSERT_TRUE(proxy_.WaitForConnections(++connections));
    EXPECT_EQ("", proxy_.Request(connections - 1));
  }
}

TEST_F(PadServerRequestTest, AbsolutePrefixMustFitItsBuffer) {
  // "http://" + host + ":8080" is 127 characters with a 115-character host.
  const std::string fits = std::string(57, 'a') + "." + std::string(57, 'b');
  const std::string tooLong = fits + "c";
  for (const std::string& host : {fits, tooLong}) {
    PadServer pad;
    PadServer::SetProxy("127.0.0.1", proxy_.Port(), nullptr);
    pad.SetServer(host.c_str(), 8080, "/");
    proxy_.Answer(FakeHttpServer::Script());
    ASSERT_EQ(0, pad.Connect());
    EXPECT_EQ(host == fits ? 0 : -1, pad.SendFileRequestHead(PadServer::kGet, "/misc/x"));
    pad.Disconnect();
  }
  ASSERT_TRUE(proxy_.WaitForConnections(2));
  EXPECT_EQ("GET http://" + fits + ":8080/misc/x HTTP/1.0\r\n" + kHeaderBlock0, proxy_.Request(0));
  EXPECT_EQ("", proxy_.Request(1));
}

TEST_F(PadServerRequestTest, RequestLineLongerThanTheFormatterWritesIsRefused) {
  // "POST /" + name + " HTTP/1.0\r\n": 1023 characters with a 1006-byte name.
  const std::string fits(1006, 'n');
  const std::string tooLong(1007, 'n');
  PadServer pad;
  pad.SetServer("127.0.0.1", server_.Port(), "/");
  for (const std::string& name : {fits, tooLong}) {
    server_.Answer(FakeHttpServer::Script());
    ASSERT_EQ(0, pad.Connect());
    EXPECT_EQ(name == fits ? 0 : -1, pad.SendRequestHead(PadServer::kPost, name.c_str(), 0, false));
    pad.Disconnect();
  }
  ASSERT_TRUE(server_.WaitForConnections(2));
  EXPECT_EQ("POST /" + fits + " HTTP/1.0\r\n" + HeaderBlock(0), server_.Request(0));
  EXPECT_EQ("", server_.Request(1));
}

}  // namespace
