// The pad commands against the fake server: the exact request bytes, what
// each command takes from the reply, and how failures end an exchange.
#include <gtest/gtest.h>

#include <string>

#include "ProtocolTestSupport.h"
#include "os/SocketApi.h"

namespace {

using PadCommandsTest = ServerTest;

// A connection that reads the request and closes without answering.
FakeHttpServer::Script NoAnswer() { return FakeHttpServer::Script().AwaitRequestEnd().Close(); }

// A loopback port on which nothing listens.
unsigned short ClosedPort() {
  FakeHttpServer server;
  return server.Port();
}

TEST_F(PadCommandsTest, GetNewPadIDReadsTheFirstNumber) {
  fake_.Answer(ReplyWith("  4711 more"));
  unsigned long id = 1;
  EXPECT_EQ(pad_.GetNewPadID(id), 0);
  EXPECT_EQ(id, 4711ul);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), CommandRequest("GetNewPadID\n"));
  EXPECT_NE(fake_.Request(0).find("Content-length: 13\r\n"), std::string::npos);
}

TEST_F(PadCommandsTest, GetNewPadIDWithoutANumberFails) {
  const std::string answers[] = {
      "HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = none\xFF",
      "HTTP/1.0 500 Internal Server Error\r\n\r\n<html>Error 500</html>",
      "HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = \xFF",
      "HTTP/1.0 200 OK\r\n\r\nPAD_SERVER_REPLY = 0\xFF",
  };
  for (const std::string& answer : answers) {
    SCOPED_TRACE(answer);
    fake_.Answer(FakeHttpServer::Reply(answer));
    unsigned long id = 99;
    EXPECT_EQ(pad_.GetNewPadID(id), -1);
    EXPECT_EQ(id, 0ul);
  }
}

TEST_F(PadCommandsTest, DeletePadSendsTheIdentifier) {
  fake_.Answer(ReplyWith(""));
  EXPECT_EQ(pad_.DeletePad(42), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), CommandRequest("DeletePad 42\n"));
}

TEST_F(PadCommandsTest, GetPadInfoMakesANewRecordWithTheIdentifierAsParent) {
  fake_.Answer(ReplyWith("id=42 width=10 ,id=43 width=11"));
  MkDictionary* target = nullptr;
  EXPECT_EQ(pad_.GetPadInfo(42, target), 0);
  Dictionary record(target);
  EXPECT_EQ(Describe(record.get()), "width=10:5 | pid=42:7");
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), CommandRequest("GetPadInfo 42\n"));
}

TEST_F(PadCommandsTest, GetPadInfoMergesTheNamedAttributesIntoTheTarget) {
  fake_.Answer(ReplyWith("x=5 y=6 width=100 height=80 extra=yes ,id=99"));
  Dictionary target;
  target.Id("id", 42).Int("x", 1).Int("y", 2).Int("width", 3).Int("height", 4);
  MkDictionary* given = target.get();
  EXPECT_EQ(pad_.GetPadInfo(42, target.ref()), 0);
  EXPECT_EQ(target.get(), given);
  EXPECT_EQ(Describe(target.get()),
            "id=42:7 | x=5:5 | y=6:5 | width=100:5 | height=80:5 | extra=yes:4");
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), CommandRequest("GetPadAttributes 42 x y width height \n"));
}

TEST_F(PadCommandsTest, SetPadInfoWithAParentSendsThePositionalForm) {
  fake_.Answer(ReplyWith(""));
  Dictionary attributes;
  attributes.Id("pid", 3).Int("x", 10).Int("y", 20).Int("width", 100).Int("height", 50);
  EXPECT_EQ(pad_.SetPadInfo(42, 7, attributes.get()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0),
            CommandRequest("SetPadInfo 42 7 10 20 guest guest width=100 height=50 \n"));
}

TEST_F(PadCommandsTest, SetPadInfoWithoutAParentSendsTheAttributesOnly) {
  fake_.Answer(ReplyWith(""));
  Dictionary attributes;
  attributes.Int("x", 10).Int("y", 20);
  EXPECT_EQ(pad_.SetPadInfo(42, 0, attributes.get()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.Request(0), CommandRequest("SetPadAttributes 42 x=10 y=20 \n"));
}

TEST_F(PadCommandsTest, AttributesThatCannotBeSentConnectNowhere) {
  Dictionary empty;
  EXPECT_EQ(pad_.SetPadInfo(42, 7, empty.get()), -1);
  EXPECT_EQ(pad_.SetPadInfo(42, 0, nullptr), -1);
  // Text that would change the command is refused before any connection.
  Dictionary unsafe;
  unsafe.Str("name", "x\" width=\"1").Int("a b", 2);
  EXPECT_EQ(pad_.SetPadInfo(42, 7, unsafe.get()), -1);
  EXPECT_EQ(pad_.SetPadInfo(42, 0, unsafe.get()), -1);
  EXPECT_EQ(pad_.GetPadInfo(42, unsafe.ref()), -1);
  // The next command is the first connection the server sees.
  fake_.Answer(ReplyWith(""));
  EXPECT_EQ(pad_.DeletePad(1), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.ConnectionCount(), 1u);
  EXPECT_EQ(fake_.Request(0), CommandRequest("DeletePad 1\n"));
}

TEST_F(PadCommandsTest, ALongCommandIsCutAt1023CharactersWithoutItsNewline) {
  fake_.Answer(ReplyWith(""));
  Dictionary attributes;
  std::string name(1500, 'n');
  attributes.Str("name", name.c_str());
  EXPECT_EQ(pad_.SetPadInfo(42, 0, attributes.get()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(1));
  std::string command = ("SetPadAttributes 42 name=\"" + name).substr(0, 1023);
  EXPECT_EQ(fake_.Request(0), CommandRequest(command));
}

// Parent 7 with children 12, 13 and 14; the template names x, y, width and
// height.
class GetChildPadsTest : public ServerTest {
 protected:
  void Template() { target_.Int("x", -1).Int("y", -1).Int("width", -1).Int("height", -1); }
  std::string Attributes(unsigned long child) {
    return CommandRequest("GetPadAttributes " + std::to_string(child) + " x y width height \n");
  }
  Dictionary target_;
};

TEST_F(GetChildPadsTest, FetchesEveryChildsAttributesOnAConnectionOfItsOwn) {
  Template();
  fake_.Answer(ReplyWith("id=12 ,id=13 ,id=14"));
  fake_.Answer(ReplyWith("x=5 y=6 width=100 height=80"));
  fake_.Answer(ReplyWith("x=110 y=6 width=40 height=40"));
  fake_.Answer(ReplyWith("x=0 y=90 width=10 height=20 id=99"));
  EXPECT_EQ(pad_.GetChildPads(7, target_.ref()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(4));
  EXPECT_EQ(fake_.ConnectionCount(), 4u);
  EXPECT_EQ(fake_.Request(0), CommandRequest("GetChildPads 7\n"));
  EXPECT_EQ(fake_.Request(1), Attributes(12));
  EXPECT_EQ(fake_.Request(2), Attributes(13));
  EXPECT_EQ(fake_.Request(3), Attributes(14));
  EXPECT_EQ(Describe(target_.get()),
            "0={id=12:7 | x=5:5 | y=6:5 | width=100:5 | height=80:5 | pid=7:7}:1 | "
            "1={id=13:7 | x=110:5 | y=6:5 | width=40:5 | height=40:5 | pid=7:7}:1 | "
            "2={id=14:7 | x=0:5 | y=90:5 | width=10:5 | height=20:5 | pid=7:7}:1");
}

TEST_F(GetChildPadsTest, ReturnsTheLastChildsResult) {
  Template();
  fake_.Answer(ReplyWith("id=12 ,id=13 ,id=14"));
  fake_.Answer(ReplyWith("x=5 y=6 width=100 height=80"));
  fake_.Answer(NoAnswer());
  fake_.Answer(NoAnswer());
  EXPECT_EQ(pad_.GetChildPads(7, target_.ref()), WSAECONNRESET);
  // A child whose request failed keeps the template's values and no "pid".
  EXPECT_EQ(Describe(target_.get()),
            "0={id=12:7 | x=5:5 | y=6:5 | width=100:5 | height=80:5 | pid=7:7}:1 | "
            "1={id=13:7 | x=-1:5 | y=-1:5 | width=-1:5 | height=-1:5}:1 | "
            "2={id=14:7 | x=-1:5 | y=-1:5 | width=-1:5 | height=-1:5}:1");

  Dictionary again;
  again.Int("x", -1);
  fake_.Answer(ReplyWith("id=12 ,id=13"));
  fake_.Answer(NoAnswer());
  fake_.Answer(ReplyWith("x=3"));
  EXPECT_EQ(pad_.GetChildPads(7, again.ref()), 0);
  EXPECT_EQ(Describe(again.get()), "0={id=12:7 | x=-1:5}:1 | 1={id=13:7 | x=3:5 | pid=7:7}:1");
  ASSERT_TRUE(fake_.WaitForConnections(7));
}

TEST_F(GetChildPadsTest, ARecordWithoutIdentifierStaysAsItCame) {
  Template();
  fake_.Answer(ReplyWith("x=1 name=\"loose\",id=13"));
  fake_.Answer(ReplyWith("x=110 y=6 width=40 height=40"));
  EXPECT_EQ(pad_.GetChildPads(7, target_.ref()), 0);
  ASSERT_TRUE(fake_.WaitForConnections(2));
  EXPECT_EQ(fake_.Request(1), Attributes(13));
  EXPECT_EQ(Describe(target_.get()),
            "0={x=1:5 | name=loose:4}:1 | "
            "1={id=13:7 | x=110:5 | y=6:5 | width=40:5 | height=40:5 | pid=7:7}:1");
  // No request was made for the first record.
  fake_.Answer(ReplyWith(""));
  EXPECT_EQ(pad_.DeletePad(1), 0);
  ASSERT_TRUE(fake_.WaitForConnections(3));
  EXPECT_EQ(fake_.ConnectionCount(), 3u);
}

TEST_F(GetChildPadsTest, WithoutTemplateTheListIsTheResult) {
  fake_.Answer(ReplyWith("id=12 x=5 ,id=13"));
  MkDictionary* list = nullptr;
  EXPECT_EQ(pad_.GetChildPads(7, list), 0);
  Dictionary owned(list);
  EXPECT_EQ(Describe(owned.get()), "0={id=12:7 | x=5:5}:1 | 1={id=13:7}:1");
  ASSERT_TRUE(fake_.WaitForConnections(1));
  EXPECT_EQ(fake_.ConnectionCount(), 1u);
}

TEST_F(GetChildPadsTest, AnEmptyListEmptiesTheTemplate) {
  Template();
  fake_.Answer(ReplyWith(""));
  EXPECT_EQ(pad_.GetChildPads(7, target_.ref()), 0);
  EXPECT_EQ(target_->length(), 0u);
}

TEST_F(PadCommandsTest, AFailedStepEndsTheExchangeWithItsError) {
  // No answer: the receive step fails, and nothing of the target changes.
  fake_.Answer(NoAnswer());
  Dictionary target;
  target.Int("x", 1);
  EXPECT_EQ(pad_.GetPadInfo(42, target.ref()), WSAECONNRESET);
  EXPECT_EQ(Describe(target.get()), "x=1:5");

  fake_.Answer(NoAnswer());
  Dictionary list;
  list.Int("x", 1);
  EXPECT_EQ(pad_.GetChildPads(7, list.ref()), WSAECONNRESET);
  EXPECT_EQ(Describe(list.get()), "x=1:5");

  fake_.Answer(NoAnswer());
  unsigned long id = 5;
  EXPECT_EQ(pad_.GetNewPadID(id), WSAECONNRESET);
  EXPECT_EQ(id, 0ul);
  ASSERT_TRUE(fake_.WaitForConnections(3));
}

TEST_F(PadCommandsTest, ARefusedRequestLineDisconnectsAtOnce) {
  // The sending step refuses a CGI path with a line break; the command must
  // still close its connection, which the server sees end.
  pad_.SetServer(nullptr, 0, "/cgi/\r\nX: y/");
  fake_.Answer(FakeHttpServer::Script().Close());
  EXPECT_EQ(pad_.DeletePad(42), -1);
  EXPECT_TRUE(fake_.WaitForConnections(1, 3000));
  EXPECT_EQ(fake_.Request(0), "");
}

TEST(PadCommandsConnect, AConnectFailureIsReturned) {
  PadServer pad;
  pad.SetServer("127.0.0.1", ClosedPort(), "/cgi/");
  unsigned long id = 3;
  EXPECT_EQ(pad.GetNewPadID(id), WSAECONNREFUSED);
  EXPECT_EQ(id, 0ul);
  EXPECT_EQ(pad.DeletePad(3), WSAECONNREFUSED);
  Dictionary attributes;
  attributes.Int("x", 1);
  EXPECT_EQ(pad.SetPadInfo(3, 0, attributes.get()), WSAECONNREFUSED);
}

}  // namespace
