// The client's proxy file against a real proxy: a pad's request reaches the
// scripted server through tinyproxy, the scripted server named as the proxy
// sees the absolute target, and a server that the no-proxy pattern names is
// reached directly. client-through-proxy.sh starts tinyproxy and passes its
// port in BAZARO_TEST_PROXY_PORT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ClientTestSupport.h"
#include "FakeHttpServer.h"
#include "mkres/MwMemory.h"
#include "os/PathSeparator.h"

namespace {

constexpr unsigned int kReportBound = 20000;  // milliseconds

// The first line of a request, without its line end.
std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

// The value of the first header line `name` of the request's head, or
// "(none)".
std::string Header(const std::string& request, const std::string& name) {
  std::size_t head = request.find("\n\r\n");
  head = std::min(head, request.find("\n\n"));
  const std::string start = "\n" + name + ": ";
  std::size_t at = request.find(start);
  if (at == std::string::npos || at >= head) return "(none)";
  at += start.size();
  return request.substr(at, request.find_first_of("\r\n", at) - at);
}

// The bytes behind the head's empty line, whether the head ends with CR LF
// or a lone LF.
std::string Body(const std::string& request) {
  for (std::size_t at = request.find('\n'); at != std::string::npos;
       at = request.find('\n', at + 1)) {
    std::size_t next = at + 1;
    if (next < request.size() && request[next] == '\r') ++next;
    if (next < request.size() && request[next] == '\n') return request.substr(next + 1);
  }
  return "";
}

class ClientThroughProxyTest : public testing::Test {
 protected:
  ClientThroughProxyTest() {
    const char* port = std::getenv("BAZARO_TEST_PROXY_PORT");
    tinyproxyPort_ = port != nullptr ? std::atoi(port) : 0;
    std::filesystem::create_directory(userDirectory_.File("bazaro"));
  }

  ~ClientThroughProxyTest() override {
    for (const std::string& problem : fake_.Problems()) ADD_FAILURE() << problem;
  }

  void SetUp() override {
    ASSERT_NE(tinyproxyPort_, 0) << "run by client-through-proxy.sh, which starts the proxy";
    ASSERT_TRUE(fake_.Listening());
  }

  // The content of the proxy file that the next client reads; empty content
  // removes the file.
  void SetProxyFile(const std::string& content) {
    std::string name =
        userDirectory_.File(std::string("bazaro") + os::kPathSeparatorText + "proxy.conf");
    if (content.empty()) {
      std::filesystem::remove(name);
    } else {
      ASSERT_TRUE(WriteWholeFile(name, content));
    }
  }

  std::string Tinyproxy() const { return "127.0.0.1 " + std::to_string(tinyproxyPort_); }
  std::string FakeServerAddress() const { return "127.0.0.1:" + std::to_string(fake_.Port()); }

  // One RequestNewID of a client made now, so that it reads the current
  // proxy file; the scripted server answers it with `id`. Returns the bytes
  // the scripted server received.
  std::string NewIdRequest(unsigned long id) {
    fake_.Answer(FakeHttpServer::Reply(
        "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nPAD_SERVER_REPLY = " +
        std::to_string(id) + "\xFF"));
    std::size_t index = fake_.ConnectionCount();
    long liveBlocks = MwLiveBlockCount();
    {
      BazaroComm comm;
      RecordingPad pad(&comm);
      EXPECT_EQ(comm.SetHost((FakeServerAddress() + "/cgi/").c_str()), 1);
      comm.SetPad(&pad);
      EXPECT_EQ(comm.RequestNewID(), 1);
      EXPECT_TRUE(RunLoopUntil([&] { return !pad.reports.empty(); }, kReportBound));
      if (!pad.reports.empty()) {
        EXPECT_EQ(pad.reports[0].id, id) << "the client's outcome";
      }
    }
    // The worker may still be closing its server object, and with it the
    // class-wide proxy setting, which the next client must not inherit.
    EXPECT_TRUE(WaitUntil([&] { return MwLiveBlockCount() == liveBlocks; }, 5000));
    EXPECT_TRUE(fake_.WaitForConnections(index + 1));
    EXPECT_EQ(fake_.ConnectionCount(), index + 1);
    return fake_.Request(index);
  }

  // A request without a proxy file: the bytes every other request is
  // compared with.
  std::string DirectRequest() {
    SetProxyFile("");
    std::string request = NewIdRequest(17);
    EXPECT_EQ(RequestLine(request), "POST /cgi/pad-cgi HTTP/1.0");
    EXPECT_EQ(Header(request, "Via"), "(none)");
    std::string body = Body(request);
    EXPECT_TRUE(body.size() > 1 && body.back() == '\xFF') << "a terminated command";
    return request;
  }

  int tinyproxyPort_ = 0;
  ScratchDirectory userDirectory_;
  UserDirectorySetting setting_{userDirectory_.Path()};
  FakeHttpServer fake_;
};

TEST_F(ClientThroughProxyTest, RequestIsForwardedByTheProxyAndItsAnswerIsTheOutcome) {
  std::string direct = DirectRequest();
  SetProxyFile(Tinyproxy() + "\n");
  std::string forwarded = NewIdRequest(4242);

  // The proxy turns the absolute target back into a path and marks the
  // request as forwarded; the body, terminator byte included, is unchanged.
  EXPECT_EQ(RequestLine(forwarded), "POST /cgi/pad-cgi HTTP/1.0");
  EXPECT_NE(Header(forwarded, "Via").find("tinyproxy"), std::string::npos) << forwarded;
  EXPECT_EQ(Header(forwarded, "Content-length"), Header(direct, "Content-length"));
  EXPECT_EQ(Body(forwarded), Body(direct));
}

TEST_F(ClientThroughProxyTest, ProxyReceivesTheAbsoluteTarget) {
  std::string direct = DirectRequest();
  // The scripted server itself is the proxy: it sees the bytes the client
  // sends to a proxy, which differ from the direct ones only in the target.
  SetProxyFile("127.0.0.1 " + std::to_string(fake_.Port()) + "\n");
  std::string expected = "POST http://" + FakeServerAddress() + "/cgi/pad-cgi HTTP/1.0\r\n" +
                         direct.substr(direct.find("\r\n") + 2);
  EXPECT_EQ(NewIdRequest(5150), expected);
}

TEST_F(ClientThroughProxyTest, TheNetrcFileAuthorizesToTheProxyButNeverInTheClearToTheServer) {
  // One entry for both: the server and the proxy are both 127.0.0.1.
  ASSERT_TRUE(
      WriteWholeFile(userDirectory_.File(std::string("bazaro") + os::kPathSeparatorText + "netrc"),
                     "# the user's own\nmachine 127.0.0.1 login alice password s3cret\n"));
  std::string direct = DirectRequest();
  EXPECT_EQ(Header(direct, "Authorization"), "(none)");
  EXPECT_EQ(Header(direct, "Proxy-Authorization"), "(none)");
  SetProxyFile("127.0.0.1 " + std::to_string(fake_.Port()) + "\n");
  std::string expected = "POST http://" + FakeServerAddress() + "/cgi/pad-cgi HTTP/1.0\r\n" +
                         "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n" +
                         direct.substr(direct.find("\r\n") + 2);
  EXPECT_EQ(NewIdRequest(5151), expected);
}

TEST_F(ClientThroughProxyTest, NoProxyPatternDecidesByTheServerName) {
  std::string direct = DirectRequest();
  struct Case {
    const char* pattern;
    bool viaProxy;
  };
  const Case cases[] = {
      {"127.0.0", false},  // part of the server's name "127.0.0.1"
      {"example", true},   // a pattern that names another server
  };
  unsigned long id = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    SetProxyFile(Tinyproxy() + " " + c.pattern + "\n");
    std::string request = NewIdRequest(++id);
    if (c.viaProxy) {
      EXPECT_NE(Header(request, "Via").find("tinyproxy"), std::string::npos) << request;
    } else {
      EXPECT_EQ(request, direct);
    }
  }
}

}  // namespace
