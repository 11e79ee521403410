// A refusal or a broken answer is not success: the response check on its
// own, and every command and transfer against such answers.
#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>

#include "ProtocolTestSupport.h"
#include "protocol/ResponseCheck.h"

namespace {

struct CheckCase {
  const char* response;
  int result;
};

TEST(CheckResponse, AcceptsOnlyAWholeSuccessfulResponse) {
  const CheckCase cases[] = {
      {"HTTP/1.0 200 OK\r\n\r\nbody", 0},
      {"HTTP/1.1 204 No Content\r\n\r\n", 0},
      {"HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n", -1},
      // The status line comes first, and the status from it alone.
      {"junk HTTP/1.0 200 OK\r\n\r\n", -1},
      {"HTTP/1.0\r\n\r\n200 body", -1},
      // The announced length: any case, at a line start, in the head only.
      {"HTTP/1.0 200 OK\r\ncontent-LENGTH: 5\r\n\r\n1234", -1},
      {"HTTP/1.0 200 OK\r\nContent-Length:5\r\n\r\n12345", 0},
      {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n12345", 0},
      {"HTTP/1.0 200 OK\r\nX-Content-Length: 99\r\n\r\nabc", 0},
      {"HTTP/1.0 200 OK\r\n\r\nContent-Length: 99\r\n", 0},
      {"HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc", -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: none\r\n\r\nabc", -1},
      {"", -1},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.response);
    std::string text = c.response;
    EXPECT_EQ(protocol::CheckResponse(text.c_str(), static_cast<unsigned long>(text.size())),
              c.result);
  }
  EXPECT_EQ(protocol::CheckResponse(nullptr, 0), -1);
}

// Every answer below carries a reply text that would read as "42".
const std::string kReplyBody = std::string(PadServer::kReplyMarker) + "42\xFF";
const std::string kWholeReply = "HTTP/1.0 200 OK\r\nContent-Length: 22\r\n\r\n" + kReplyBody;

struct BrokenAnswer {
  const char* name;
  std::string response;
};

const BrokenAnswer kBrokenAnswers[] = {
    {"status 404", "HTTP/1.0 404 Not Found\r\nContent-Length: 22\r\n\r\n" + kReplyBody},
    {"status 500", "HTTP/1.0 500 Internal Server Error\r\n\r\n" + kReplyBody},
    {"body cut short", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + kReplyBody},
    {"no status line", "Content-Length: 22\r\n\r\n" + kReplyBody},
    {"no end of header block", "HTTP/1.0 200 OK\nContent-Length: 22\n\n" + kReplyBody},
};

struct Paths {
  std::string local;   // a file to send
  std::string target;  // where a fetched file goes
};

// One command or transfer, its outcome as 0 (success), -1 (failure as the
// operation reports it) or the unexpected code itself.
struct Operation {
  const char* name;
  int (*run)(PadServer& pad, const Paths& paths);
};

void PrintTo(const Operation& operation, std::ostream* out) { *out << operation.name; }

int Fetched(bool stored, const Paths& paths) {
  if (stored) {
    EXPECT_EQ(ReadWholeFile(paths.target), kReplyBody);
  }
  return stored ? 0 : -1;
}

const Operation kOperations[] = {
    {"GetNewPadID",
     [](PadServer& pad, const Paths&) {
       unsigned long id = 7;
       int result = pad.GetNewPadID(id);
       EXPECT_EQ(id, result == 0 ? 42ul : 0ul);
       return result;
     }},
    {"DeletePad", [](PadServer& pad, const Paths&) { return pad.DeletePad(42); }},
    {"GetPadInfo",
     [](PadServer& pad, const Paths&) {
       MkDictionary* record = nullptr;
       int result = pad.GetPadInfo(42, record);
       EXPECT_EQ(record != nullptr, result == 0);
       delete record;
       return result;
     }},
    {"SetPadInfo",
     [](PadServer& pad, const Paths&) {
       Dictionary attributes;
       attributes.Int("width", 10);
       return pad.SetPadInfo(42, 7, attributes.get());
     }},
    {"GetChildPads",
     [](PadServer& pad, const Paths&) {
       MkDictionary* list = nullptr;
       int result = pad.GetChildPads(7, list);
       EXPECT_EQ(list != nullptr, result == 0);
       delete list;
       return result;
     }},
    {"UploadPad",
     [](PadServer& pad, const Paths& paths) { return pad.UploadPad(42, paths.local.c_str()); }},
    {"DownloadPad",
     [](PadServer& pad, const Paths& paths) {
       return Fetched(pad.DownloadPad(42, paths.target.c_str()), paths);
     }},
    {"PutFile",
     [](PadServer& pad, const Paths& paths) {
       unsigned char result = pad.PutFile("notes.txt", paths.local.c_str());
       return result == 0xFF ? -1 : static_cast<int>(result);
     }},
    {"GetFile",
     [](PadServer& pad, const Paths& paths) {
       return Fetched(pad.GetFile("notes.txt", paths.target.c_str()), paths);
     }},
};

class BrokenAnswerTest : public ServerTest, public testing::WithParamInterface<Operation> {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    ASSERT_TRUE(temp_.InEffect()) << "the temporary directory could not be redirected";
    ASSERT_TRUE(WriteWholeFile(paths_.local, "pad content"));
  }
  void TearDown() override {
    EXPECT_EQ(temp_.Listing(), "") << "temporary files were left behind";
    ServerTest::TearDown();
  }

  ScratchDirectory files_;  // made before the temporary directory moves
  OwnTempDirectory temp_;
  Paths paths_{files_.File("local.pad"), files_.File("target")};
};

TEST_P(BrokenAnswerTest, FailsTheOperationWhileAWholeReplySucceeds) {
  for (const BrokenAnswer& answer : kBrokenAnswers) {
    SCOPED_TRACE(answer.name);
    fake_.Answer(FakeHttpServer::Reply(answer.response));
    EXPECT_EQ(GetParam().run(pad_, paths_), -1);
  }
  fake_.Answer(FakeHttpServer::Reply(kWholeReply));
  EXPECT_EQ(GetParam().run(pad_, paths_), 0);
  EXPECT_TRUE(fake_.WaitForConnections(std::size(kBrokenAnswers) + 1));
}

INSTANTIATE_TEST_SUITE_P(EveryCommandAndTransfer, BrokenAnswerTest, testing::ValuesIn(kOperations),
                         [](const testing::TestParamInfo<Operation>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
