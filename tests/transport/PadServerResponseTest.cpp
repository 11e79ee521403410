// Reading responses: the status, the header block, the reply marker and the
// body, and how reading ends (silence, the peer's close, errors). How every
// command and transfer copes with a misbehaving server (trickles, resets,
// oversized replies, ...) is the table of tests/hostile.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "FakeHttpServer.h"
#include "TransportTestSupport.h"
#include "mkres/MwMemory.h"
#include "transport/PadServer.h"

namespace {

TEST(PadServerStatusCode, ReadsTheNumberBehindTheFirstVersion) {
  struct Case {
    const char* text;
    int status;
  } cases[] = {
      {"HTTP/1.0 200 OK\r\n", 200},
      {"HTTP/1.1 404 Not Found\r\n", 404},
      {"junk before HTTP/1.0   302\r\n", 302},
      {"HTTP/1.0\t500\r\n", 500},
      {"HTTP/1.0200\r\n", 0},
      {"HTTP/x.0 200\r\n", 0},
      {"HTTP/1.0 OK 200\r\n", 0},
      {"<html>no status</html>", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.status, PadServer::StatusCode(c.text)) << c.text;
  }
  EXPECT_EQ(0, PadServer::StatusCode(nullptr));
}

TEST(PadServerLocateBody, FindsTheBodyAndSkipsTheMarkerOnlyAtItsStart) {
  struct Case {
    const char* text;
    bool skipMarker;
    const char* body;  // null: no body found
  } cases[] = {
      {"HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody", false, "body"},
      {"HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = 42", true, "42"},
      {"HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = 42", false, "PAD_SERVER_REPLY = 42"},
      {"HTTP/1.0 200 OK\r\n\r\n x PAD_SERVER_REPLY = 42", true, " x PAD_SERVER_REPLY = 42"},
      {"HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY =42", true, "PAD_SERVER_REPLY =42"},
      {"HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = ", true, ""},
      {"HTTP/1.0 200 OK\r\n\r\n", true, ""},
      {"HTTP/1.0 200 OK\r\n\r\nfirst\r\n\r\nsecond", false, "first\r\n\r\nsecond"},
      {"HTTP/1.0 200 OK\n\nbody", false, nullptr},
      {"no header block", true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text(c.text);
    unsigned long length = static_cast<unsigned long>(text.size());
    char* body = PadServer::LocateBody(&text[0], length, c.skipMarker);
    if (c.body == nullptr) {
      EXPECT_EQ(nullptr, body);
      EXPECT_EQ(text.size(), length);
    } else {
      ASSERT_NE(nullptr, body);
      EXPECT_STREQ(c.body, body);
      EXPECT_EQ(std::strlen(c.body), length);
    }
  }
  unsigned long length = 3;
  EXPECT_EQ(nullptr, PadServer::LocateBody(nullptr, length, true));
  EXPECT_EQ(3u, length);
}

// A server object connected to a fake server whose next connection runs
// `script`, with a request sent; reading is up to the test.
class PadServerResponseTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fake_.Listening()); }

  void Start(const FakeHttpServer::Script& script) {
    started_ = true;
    fake_.Answer(script);
    pad_.SetServer("127.0.0.1", fake_.Port(), "/cgi-bin/");
    ASSERT_EQ(0, pad_.Connect());
    ASSERT_EQ(0, pad_.SendRequestHead(PadServer::kPost, PadServer::kPadCgi, 4, true));
    ASSERT_EQ(0, pad_.SendBody("ask\n", 4, true));
  }

  // Reads with ReceiveReply; the reply text (up to its NUL) in `text`.
  int Reply(std::string& text, unsigned long& length, bool skipMarker = true) {
    char* reply = nullptr;
    int result = pad_.ReceiveReply(reply, length, skipMarker);
    text = reply != nullptr ? reply : "(null)";
    MwDelete(reply);
    return result;
  }

  // Reads with ReceiveSizedReply; the body bytes in `body`.
  int Sized(std::string& body, unsigned long& length) {
    char* data = nullptr;
    int result = pad_.ReceiveSizedReply(data, length);
    body = data != nullptr ? std::string(data, length) : "(null)";
    MwDelete(data);
    return result;
  }

  void TearDown() override {
    pad_.Disconnect();
    if (started_) {
      EXPECT_TRUE(fake_.WaitForConnections(1));
    }
  }

  FakeHttpServer fake_;
  PadServer pad_;
  bool started_ = false;
};

TEST_F(PadServerResponseTest, ReplyTextEndsAtTheTerminatorButLengthCountsEverything) {
  Start(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = 42\xFFmore"));
  std::string text;
  unsigned long length = 0;
  ASSERT_EQ(0, Reply(text, length));
  EXPECT_EQ("42", text);
  EXPECT_EQ(7u, length);
}

TEST_F(PadServerResponseTest, BodyWithoutTheMarkerIsHandedOverWhole) {
  Start(FakeHttpServer::Reply("HTTP/1.0 500 Internal Server Error\r\n\r\n<html>error</html>"));
  std::string text;
  unsigned long length = 0;
  ASSERT_EQ(0, Reply(text, length));
  EXPECT_EQ("<html>error</html>", text);
  EXPECT_EQ(18u, length);
}

TEST_F(PadServerResponseTest, ResponseWithoutHeaderBlockEndIsHandedOverWithItsHeaders) {
  const std::string response = "HTTP/1.0 200 OK\nContent-Type: text/plain\n\nPAD_SERVER_REPLY = 1";
  Start(FakeHttpServer::Reply(response));
  std::string text;
  unsigned long length = 0;
  ASSERT_EQ(0, Reply(text, length));
  EXPECT_EQ(response, text);
  EXPECT_EQ(response.size(), length);
}

TEST_F(PadServerResponseTest, SizedReplyOfAnotherStatusIsEmpty) {
  Start(FakeHttpServer::Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"));
  char* body = nullptr;
  unsigned long length = 99;
  ASSERT_EQ(0, pad_.ReceiveSizedReply(body, length));
  EXPECT_EQ(0u, length);
  // The response text stays with the caller, who frees it.
  ASSERT_NE(nullptr, body);
  EXPECT_NE(nullptr, std::strstr(body, "404"));
  MwDelete(body);
}

// What ReceiveSizedReply makes of each kind of response: its result, the
// body and the length (`length` starts at 5, so a reset to 0 shows).
TEST_F(PadServerResponseTest, SizedReplyReadsToTheAnnouncedLengthAndRefusesWhatIsBroken) {
  using Script = FakeHttpServer::Script;
  constexpr int kAnyFailure = 1;   // any nonzero result
  constexpr long kUnchecked = -1;  // length or body not looked at
  const std::string pattern = Pattern(100000);
  // The body holds a NUL and a terminator byte: it is data, not text.
  const std::string binary("gz\0\xFF\x1F\x8B data", 11);
  struct Case {
    const char* what;
    Script script;
    bool shortBounds;  // a read time-out of 300 ms, silence 3 s
    int result;
    std::string body;  // "(null)" for none, "" unchecked
    long length;
  };
  const Case cases[] = {
      {"the body of a 200 response",
       FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\n" + binary), false, 0,
       binary, 11},
      {"no status line", FakeHttpServer::Reply("<html>no status line</html>"), false, -1, "(null)",
       kUnchecked},
      // Lines ended by LF alone: nothing tells the head from the body.
      {"no end of the header block",
       FakeHttpServer::Reply("HTTP/1.0 200 OK\nContent-Length: 4\n\nbody"), false, -1, "(null)", 0},
      {"a head split by silence is read to its end",
       Script()
           .AwaitRequestEnd()
           .Send("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n")
           .Pause(800)
           .Send("\r\nbody"),
       true, 0, "body", kUnchecked},
      {"longer than announced is returned whole",
       FakeHttpServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef"), false, 0,
       "abcdef", kUnchecked},
      {"reading goes on past silence until the announced length",
       Script()
           .AwaitRequestEnd()
           .Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + pattern.substr(0, 5000))
           .Pause(800)
           .Send(pattern.substr(5000, 45000))
           .Pause(800)
           .Send(pattern.substr(50000)),
       true, 0, pattern, 100000},
      {"cut short by the server",
       Script()
           .AwaitRequestEnd()
           .Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(60, 'x'))
           .Close(),
       false, kAnyFailure, "(null)", 0},
      // A pause longer than one read time-out does not end it; the close does.
      {"without a length it ends with the connection",
       Script()
           .AwaitRequestEnd()
           .Send("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nfirst ")
           .Pause(800)
           .Send("second"),
       true, 0, "first second", 12},
      {"an empty connection", Script().AwaitRequestEnd().Close(), false, -1, "", kUnchecked},
  };
  std::size_t connections = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<ShortWaitBounds> bounds;
    if (c.shortBounds) bounds = std::make_unique<ShortWaitBounds>(300, 3000);
    Start(c.script);
    std::string body;
    unsigned long length = 5;
    int result = Sized(body, length);
    if (c.result == kAnyFailure) {
      EXPECT_NE(0, result);
    } else {
      EXPECT_EQ(c.result, result);
    }
    if (!c.body.empty()) {
      EXPECT_TRUE(c.body == body) << body.substr(0, 80);
    }
    if (c.length != kUnchecked) {
      EXPECT_EQ(static_cast<unsigned long>(c.length), length);
    }
    pad_.Disconnect();
    EXPECT_TRUE(fake_.WaitForConnections(++connections));
  }
}

TEST_F(PadServerResponseTest, RawReadEndsAtOnceWhenThePeerClosesWithoutAnswering) {
  Start(FakeHttpServer::Script().AwaitRequestEnd().Close());
  char* text = reinterpret_cast<char*>(1);
  unsigned long length = 5;
  Stopwatch watch;
  EXPECT_EQ(WSAECONNRESET, pad_.ReceiveRaw(text, length));
  EXPECT_LT(watch.Milliseconds(), 2000);
  EXPECT_EQ(nullptr, text);
  EXPECT_EQ(0u, length);
  if (text != reinterpret_cast<char*>(1)) MwDelete(text);
}

TEST_F(PadServerResponseTest, RawReadDiscardsWhatArrivedWhenTheConnectionFails) {
  if (ResetReadsAsClose()) GTEST_SKIP() << "this sockets layer reports a reset as a close";
  Start(FakeHttpServer::Script()
            .AwaitRequestEnd()
            .Send("HTTP/1.0 200 OK\r\n\r\npart of it")
            .Pause(500)
            .Reset());
  char* text = reinterpret_cast<char*>(1);
  unsigned long length = 0;
  EXPECT_EQ(WSAECONNRESET, pad_.ReceiveRaw(text, length));
  EXPECT_EQ(nullptr, text);
  EXPECT_EQ(0u, length);
  if (text != reinterpret_cast<char*>(1)) MwDelete(text);
}

TEST_F(PadServerResponseTest, ReplySplitByMoreThanAReadTimeOutEndsAfterTheFirstPart) {
  ShortWaitBounds bounds(300, 3000);
  Start(FakeHttpServer::Script()
            .AwaitRequestEnd()
            .Send("HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = first")
            .Pause(900)
            .Send(" second"));
  std::string text;
  unsigned long length = 0;
  ASSERT_EQ(0, Reply(text, length));
  EXPECT_EQ("first", text);
}

// The one slow test: the read time-out the exchange really uses is 10 seconds.
TEST_F(PadServerResponseTest, SlowReplySplitByMoreThanTenSecondsEndsAfterTheFirstPart) {
  Start(FakeHttpServer::Script()
            .AwaitRequestEnd()
            .Send("HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = first")
            .Pause(10600)
            .Send(" second"));
  std::string text;
  unsigned long length = 0;
  Stopwatch watch;
  ASSERT_EQ(0, Reply(text, length));
  EXPECT_EQ("first", text);
  EXPECT_GE(watch.Milliseconds(), 9500);
  EXPECT_LT(watch.Milliseconds(), 10600);
}

}  // namespace
