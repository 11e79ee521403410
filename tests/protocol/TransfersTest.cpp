// The pad file and file transfers against the fake server: the bodies on the
// wire, what lands in the local file, and that no temporary file outlives an
// operation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProtocolTestSupport.h"
#include "ShortWaitBounds.h"
#include "os/SocketApi.h"
#include "protocol/GzipFile.h"
#include "protocol/ParallelGzip.h"

namespace {

const std::string kHeaderBlock0 =
    "Content-type: application/x-www-form-urlencoded\r\nContent-length: 0\r\n\n";

// Content with some structure and some noise, as a pad file has.
std::string PadContent(std::size_t size) {
  std::string content;
  unsigned int state = 12345;
  while (content.size() < size) {
    state = state * 1103515245u + 12345u;
    content += "attribute" + std::to_string(state >> 20) + " = \"value\";\n";
    content += static_cast<char>(state >> 24);
  }
  content.resize(size);
  return content;
}

class TransfersTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    ASSERT_TRUE(temp_.InEffect()) << "the temporary directory could not be redirected";
  }
  void TearDown() override {
    EXPECT_EQ(temp_.Listing(), "") << "temporary files were left behind";
    ServerTest::TearDown();
  }

  // The gzip data `compressed` decompressed through a file.
  std::string Decompress(const std::string& compressed) {
    std::string packed = files_.File("packed.gz");
    std::string plain = files_.File("plain");
    EXPECT_TRUE(WriteWholeFile(packed, compressed));
    EXPECT_TRUE(GunzipFile(packed.c_str(), plain.c_str()));
    return ReadWholeFile(plain);
  }
  // `content` compressed through files.
  std::string Compress(const std::string& content) {
    std::string plain = files_.File("source");
    std::string packed = files_.File("source.gz");
    EXPECT_TRUE(WriteWholeFile(plain, content));
    EXPECT_TRUE(GzipFile(plain.c_str(), packed.c_str()));
    return ReadWholeFile(packed);
  }
  // The server sees a connection only from the probe that follows: whatever
  // ran before did not connect.
  void ExpectNoConnectionSoFar() {
    fake_.Answer(ReplyWith(""));
    EXPECT_EQ(pad_.DeletePad(1), 0);
    ASSERT_TRUE(fake_.WaitForConnections(1));
    EXPECT_EQ(fake_.ConnectionCount(), 1u);
    EXPECT_EQ(fake_.Request(0), CommandRequest("DeletePad 1\n"));
  }

  ScratchDirectory files_;  // made before the temporary directory moves
  OwnTempDirectory temp_;
};

TEST_F(TransfersTest, UploadSendsTheNameLineAndTheCompressedPad) {
  // Large enough to be compressed in blocks and sent in several pieces.
  std::string content = PadContent(5 * protocol::kGzipBlockSize + 99);
  std::string padFile = files_.File("42.pad");
  ASSERT_TRUE(WriteWholeFile(padFile, content));
  fake_.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n"));
  EXPECT_EQ(pad_.UploadPad(42, padFile.c_str()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));

  std::string request = fake_.Request(0);
  std::string head = "POST /cgi/pad-gzput-cgi HTTP/1.0\r\n";
  ASSERT_EQ(request.compare(0, head.size(), head), 0);
  std::size_t bodyStart = request.find("\r\n\n") + 3;
  std::string body = request.substr(bodyStart);
  EXPECT_NE(request.find("Content-length: " + std::to_string(body.size()) + "\r\n"),
            std::string::npos);
  ASSERT_GT(body.size(), 19u + 10u);
  EXPECT_EQ(body.substr(0, 19), "FILE_NAME = 42.pad\n");
  std::string gzip = body.substr(19);
  EXPECT_EQ(gzip.substr(0, 4), std::string("\x1F\x8B\x08\x00", 4));  // no optional fields
  EXPECT_EQ(gzip.substr(4, 4), std::string(4, '\0'));                // time stamp 0
  EXPECT_LT(gzip.size(), content.size());
  EXPECT_TRUE(Decompress(gzip) == content);
  // Read back as a download reads it.
  fake_.Answer(SizedReply(gzip));
  std::string target = files_.File("back.pad");
  EXPECT_TRUE(pad_.DownloadPad(42, target.c_str()));
  EXPECT_TRUE(ReadWholeFile(target) == content);
}

TEST_F(TransfersTest, ACutOffUploadEndsItsCompressionAndLeavesNoTemporaryFile) {
  std::string padFile = files_.File("42.pad");
  ASSERT_TRUE(WriteWholeFile(padFile, PadContent(40 * protocol::kGzipBlockSize)));
  pad_.CutOff();
  EXPECT_NE(pad_.UploadPad(42, padFile.c_str()), 0);
  EXPECT_EQ(protocol::RunningGzipThreads(), 0);
  EXPECT_EQ(temp_.Listing(), "");
}

TEST_F(TransfersTest, AnEmptyPadTravelsAsAnEmptyGzipStream) {
  std::string padFile = files_.File("empty.pad");
  ASSERT_TRUE(WriteWholeFile(padFile, ""));
  fake_.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n"));
  EXPECT_EQ(pad_.UploadPad(7, padFile.c_str()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  std::string request = fake_.Request(0);
  std::string body = request.substr(request.find("\r\n\n") + 3);
  ASSERT_GT(body.size(), 18u + 18u);
  EXPECT_EQ(body.substr(0, 18), "FILE_NAME = 7.pad\n");
  std::string gzip = body.substr(18);
  EXPECT_EQ(gzip.substr(0, 2), "\x1F\x8B");
  EXPECT_EQ(gzip.substr(gzip.size() - 4), std::string(4, '\0'));  // length 0
  EXPECT_EQ(Decompress(gzip), "");
}

TEST_F(TransfersTest, AnUnreadablePadIsNotSent) {
  EXPECT_EQ(pad_.UploadPad(42, files_.File("missing.pad").c_str()), -1);
  EXPECT_EQ(pad_.UploadPad(42, files_.Path().c_str()), -1);  // a directory
  EXPECT_EQ(pad_.UploadPad(42, nullptr), -1);
  ExpectNoConnectionSoFar();
}

TEST_F(TransfersTest, UploadReturnsTheFailingStep) {
  std::string padFile = files_.File("42.pad");
  ASSERT_TRUE(WriteWholeFile(padFile, "pad"));
  fake_.Answer(FakeHttpServer::Script().AwaitRequestEnd().Close());
  EXPECT_EQ(pad_.UploadPad(42, padFile.c_str()), WSAECONNRESET);
  // A server that answers a byte at a time is given up on at the low-speed
  // bound; the temporary file goes all the same (see TearDown).
  ShortWaitBounds bounds;
  FakeHttpServer::Script trickle;
  trickle.AwaitRequestEnd();
  for (int i = 0; i < 40; ++i) trickle.Send("x").Pause(100);
  // A server of its own: the one of the fixture reports the sends that the
  // client cut short.
  FakeHttpServer slow;
  slow.Answer(trickle);
  PadServer pad;
  pad.SetServer("127.0.0.1", slow.Port(), "/cgi/");
  EXPECT_EQ(pad.UploadPad(42, padFile.c_str()), WSAETIMEDOUT);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  ASSERT_TRUE(slow.WaitForConnections(1));
}

TEST_F(TransfersTest, DownloadStoresTheDecompressedPad) {
  std::string content = PadContent(300000);
  fake_.Answer(SizedReply(Compress(content)));
  std::string target = files_.File("target.pad");
  EXPECT_TRUE(pad_.DownloadPad(42, target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), content);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), PostRequest("pad-gzget-cgi", "/pads/42.pad", false));
}

TEST_F(TransfersTest, DownloadOfAPlainBodyStoresItUnchanged) {
  const char bytes[] = "not compressed\r\n\x00\xFF data";
  std::string plain(bytes, sizeof bytes - 1);
  fake_.Answer(SizedReply(plain));
  std::string target = files_.File("target.pad");
  EXPECT_TRUE(pad_.DownloadPad(5, target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), plain);
}

TEST_F(TransfersTest, DownloadOfAMissingPadLeavesTheTargetEmpty) {
  fake_.Answer(
      FakeHttpServer::Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"));
  std::string target = files_.File("target.pad");
  ASSERT_TRUE(WriteWholeFile(target, "old content"));
  EXPECT_FALSE(pad_.DownloadPad(42, target.c_str()));
  EXPECT_TRUE(FileExists(target));
  EXPECT_EQ(ReadWholeFile(target), "");
}

TEST_F(TransfersTest, DownloadThatCannotBeDecompressedOrStoredFails) {
  std::string compressed = Compress(PadContent(50000));
  std::string damaged = compressed;
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
  damaged[damaged.size() / 2 + 1] = static_cast<char>(damaged[damaged.size() / 2 + 1] ^ 0x55);
  std::string cut = compressed.substr(0, compressed.size() - 6);
  std::string target = files_.File("target.pad");
  for (const std::string& body : {damaged, cut}) {
    fake_.Answer(SizedReply(body));
    EXPECT_FALSE(pad_.DownloadPad(42, target.c_str()));
  }
  // A target that cannot be written.
  fake_.Answer(SizedReply(compressed));
  EXPECT_FALSE(pad_.DownloadPad(42, files_.File("no-such-folder/target.pad").c_str()));
  ASSERT_TRUE(fake_.WaitForConnections(3));
}

// The body is decompressed on its way to the file as GunzipFile does it from
// a file, also when it arrives in pieces that cut the gzip magic in two.
TEST_F(TransfersTest, DownloadDecompressesAsGunzipFileDoes) {
  const std::string member = Compress(PadContent(70000));
  const std::string bodies[] = {"plain text",    "\x1F",
                                member,          member + Compress("second") + "trailing",
                                member + "\x1F", member.substr(0, 40)};
  std::string packed = files_.File("body.gz");
  std::string expected = files_.File("expected");
  std::string target = files_.File("target.pad");
  std::size_t connections = 0;
  for (const std::string& body : bodies) {
    ASSERT_TRUE(WriteWholeFile(packed, body));
    bool unpacked = GunzipFile(packed.c_str(), expected.c_str());
    fake_.Answer(FakeHttpServer::Script()
                     .AwaitRequestEnd()
                     .Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                           "\r\n\r\n" + body.substr(0, 1))
                     .Pause(50)
                     .Send(body.substr(1)));
    EXPECT_EQ(pad_.DownloadPad(7, target.c_str()), unpacked) << body.size();
    if (unpacked) {
      EXPECT_EQ(ReadWholeFile(target), ReadWholeFile(expected)) << body.size();
    }
    ++connections;
  }
  ASSERT_TRUE(fake_.WaitForConnections(connections));
}

// A download may write no more than the limit: past it, it fails and
// leaves the target empty, however little travelled.
TEST_F(TransfersTest, ADownloadPastTheLimitFailsAndEmptiesTheTarget) {
  struct LimitGuard {
    ~LimitGuard() { PadServer::SetDownloadLimit(PadServer::kDefaultDownloadLimit); }
  } guard;
  PadServer::SetDownloadLimit(100000);
  std::string target = files_.File("target");
  const std::string bomb = Compress(std::string(1u << 20, 'a'));
  ASSERT_LT(bomb.size(), 5000u);
  fake_.Answer(SizedReply(bomb));
  EXPECT_FALSE(pad_.DownloadPad(3, target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), "");
  fake_.Answer(SizedReply(PadContent(100001)));
  EXPECT_FALSE(pad_.GetFile("big", target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), "");
  fake_.Answer(SizedReply(PadContent(100000)));
  EXPECT_TRUE(pad_.GetFile("big", target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), PadContent(100000));
  ASSERT_TRUE(fake_.WaitForConnections(3));
}

TEST_F(TransfersTest, PutFileSendsTheNameLineAndTheBytesAsTheyAre) {
  const char bytes[] = "binary\0\xFF\x1F\x8B\r\n end";
  std::string content(bytes, sizeof bytes - 1);
  std::string local = files_.File("local.bin");
  ASSERT_TRUE(WriteWholeFile(local, content));
  fake_.Answer(FakeHttpServer::Reply("HTTP/1.0 200 OK\r\n\r\n"));
  EXPECT_EQ(pad_.PutFile("my notes.txt", local.c_str()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0),
            PostRequest("pad-upload-cgi", "FILE_NAME = my notes.txt\n" + content, false));
}

// A server may answer and reset before it has read the whole request: a
// whole answer (by its Content-Length) still counts, a cut one does not.
TEST_F(TransfersTest, AnAnswerBeforeTheWholeRequestCountsOnlyWhenWhole) {
  std::string local = files_.File("large.bin");
  ASSERT_TRUE(WriteWholeFile(local, PadContent(8u << 20)));
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n";
  fake_.Answer(FakeHttpServer::Script().AwaitBytes(64).Send(head + "ok").Pause(200).Reset());
  EXPECT_EQ(pad_.PutFile("large.bin", local.c_str()), 0);
  fake_.Answer(FakeHttpServer::Script().AwaitBytes(64).Send(head + "o").Pause(200).Reset());
  EXPECT_NE(pad_.PutFile("large.bin", local.c_str()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(2));
}

TEST_F(TransfersTest, PutFileRefusesWhatCannotBeSentWithoutConnecting) {
  std::string local = files_.File("local.txt");
  ASSERT_TRUE(WriteWholeFile(local, "content"));
  EXPECT_EQ(pad_.PutFile("name", files_.File("missing").c_str()), 0xFF);
  EXPECT_EQ(pad_.PutFile(nullptr, local.c_str()), 0xFF);
  for (const char* name : {"two\nlines", "evil\r\nX-Injected: 1", "tab\there", "del\x7F", "\x01"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(pad_.PutFile(name, local.c_str()), 0xFF);
  }
  // A name whose line would be cut before its line end.
  std::string longName(1023 - 13 + 1, 'n');
  EXPECT_EQ(pad_.PutFile(longName.c_str(), local.c_str()), 0xFF);
  // A file that fits a 32-bit length, but not together with its name line:
  // where unsigned long is 32 bits wide the sum would wrap to a few bytes.
  std::string huge = files_.File("huge");
  ASSERT_TRUE(WriteWholeFile(huge, ""));
  std::filesystem::resize_file(huge, 0xFFFFFFFEull);  // sparse: takes no disk space
  EXPECT_EQ(pad_.PutFile("name", huge.c_str()), 0xFF);
  ExpectNoConnectionSoFar();
}

TEST_F(TransfersTest, AFileThatDoesNotReadBackAsAnnouncedIsNotSent) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a file whose announced length is not its content's";
#else
  // The system's status files announce no length but hold text.
  const char* status = "/proc/self/status";
  if (!FileExists(status) || ReadWholeFile(status).empty()) GTEST_SKIP() << "no " << status;
  EXPECT_EQ(pad_.PutFile("status", status), 0xFF);
  ExpectNoConnectionSoFar();
#endif
}

TEST_F(TransfersTest, GetFileStoresTheBody) {
  fake_.Answer(SizedReply("help text\n"));
  std::string local = files_.File("help.txt");
  EXPECT_TRUE(pad_.GetFile("help.txt", local.c_str()));
  EXPECT_EQ(ReadWholeFile(local), "help text\n");
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), "GET /misc/help.txt HTTP/1.0\r\n" + kHeaderBlock0);
}

TEST_F(TransfersTest, GetFileSendsBlanksUnchanged) {
  fake_.Answer(SizedReply("x"));
  std::string local = files_.File("local");
  EXPECT_TRUE(pad_.GetFile("my file.txt", local.c_str()));
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), "GET /misc/my file.txt HTTP/1.0\r\n" + kHeaderBlock0);
}

TEST_F(TransfersTest, GetFileOfAMissingFileLeavesTheTargetEmpty) {
  fake_.Answer(FakeHttpServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n"));
  std::string local = files_.File("local");
  ASSERT_TRUE(WriteWholeFile(local, "old"));
  EXPECT_FALSE(pad_.GetFile("none.txt", local.c_str()));
  EXPECT_EQ(ReadWholeFile(local), "");
}

TEST_F(TransfersTest, GetFileRefusesNamesThatCannotTravel) {
  std::string local = files_.File("local");
  for (const char* name : {"a\r\nHost: evil", "line\n", "\x1B[0m"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(pad_.GetFile(name, local.c_str()));
  }
  EXPECT_FALSE(pad_.GetFile(std::string(1023 - 5, 'n').c_str(), local.c_str()));
  EXPECT_FALSE(FileExists(local));
  ExpectNoConnectionSoFar();
}

TEST_F(TransfersTest, GetFileThatCannotStoreFails) {
  fake_.Answer(SizedReply("data"));
  EXPECT_FALSE(pad_.GetFile("a.txt", files_.File("no-such-folder/a.txt").c_str()));
  ASSERT_TRUE(fake_.WaitForConnections(1));
}

TEST(TransfersConnect, ConnectFailuresAreReportedAndLeaveNoTemporaryFile) {
  ScratchDirectory files;
  OwnTempDirectory temp;
  ASSERT_TRUE(temp.InEffect());
  unsigned short port;
  {
    FakeHttpServer closed;
    port = closed.Port();
  }
  PadServer pad;
  pad.SetServer("127.0.0.1", port, "/cgi/");
  std::string padFile = files.File("p.pad");
  ASSERT_TRUE(WriteWholeFile(padFile, "pad"));
  EXPECT_EQ(pad.UploadPad(1, padFile.c_str()), WSAECONNREFUSED);
  EXPECT_FALSE(pad.DownloadPad(1, files.File("d.pad").c_str()));
  EXPECT_EQ(pad.PutFile("r", padFile.c_str()), static_cast<unsigned char>(WSAECONNREFUSED & 0xFF));
  EXPECT_NE(pad.PutFile("r", padFile.c_str()), 0);
  EXPECT_FALSE(pad.GetFile("r", files.File("g").c_str()));
  EXPECT_EQ(temp.Listing(), "");
}

}  // namespace
