// The command reader against the command lines the client writes, and
// against every kind of line it must refuse without storing anything.
#include <gtest/gtest.h>

#include <string>

#include "padserver/CommandReader.h"

namespace padserver {
namespace {

std::string Describe(const PadChange& change) {
  std::string text;
  if (change.parent) text += "parent=" + std::to_string(*change.parent) + " ";
  if (change.x) text += "x=" + std::to_string(*change.x) + " ";
  if (change.y) text += "y=" + std::to_string(*change.y) + " ";
  if (change.account) text += "account=" + *change.account + " ";
  if (change.group) text += "group=" + *change.group + " ";
  for (const Attribute& a : change.attributes) {
    text += a.name + (a.value.quoted ? "=<" + a.value.text + "> " : "=" + a.value.text + " ");
  }
  return text;
}

struct ReadCase {
  const char* body;
  CommandKind kind;
  PadId id;
  const char* change;  // Describe() of the change
  const char* names;   // the names, each followed by a blank
};

TEST(CommandReaderTest, ReadsWhatTheClientWrites) {
  const ReadCase cases[] = {
      {"GetNewPadID\n\xFFtrailing bytes", CommandKind::kGetNewPadID, 0, "", ""},
      {"DeletePad 42\n", CommandKind::kDeletePad, 42, "", ""},
      {"GetPadInfo 4294967295\n", CommandKind::kGetPadInfo, 4294967295u, "", ""},
      {"GetChildPads 0\r\n", CommandKind::kGetChildPads, 0, "", ""},
      {"GetPadAttributes 42 x y width height \n", CommandKind::kGetPadAttributes, 42, "",
       "x y width height "},
      {"SetPadAttributes 42 x=10 y=20 \n", CommandKind::kSetPadAttributes, 42, "x=10 y=20 ", ""},
      {"SetPadInfo 42 7 10 -20 guest staff width=100 name=\"Blue pad, big\" simage=true "
       "expand-to=4023 \n",
       CommandKind::kSetPadInfo, 42,
       "parent=7 x=10 y=-20 account=guest group=staff width=100 name=<Blue pad, big> "
       "simage=true expand-to=4023 ",
       ""},
      {"SetPadInfo 9 0 -2147483648 2147483647 a b\n", CommandKind::kSetPadInfo, 9,
       "parent=0 x=-2147483648 y=2147483647 account=a group=b ", ""},
      // Owners may come as attributes too; an empty quoted value is a value.
      {"SetPadAttributes 5 account=\"ann\" note=\"\" a=b=c\t u=\xE9t\xE9\n",
       CommandKind::kSetPadAttributes, 5, "account=ann note=<> a=b=c u=\xE9t\xE9 ", ""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.body);
    Command command;
    Status status = ReadCommand(c.body, command);
    ASSERT_TRUE(status.IsOk()) << status.reason;
    EXPECT_EQ(command.kind, c.kind);
    EXPECT_EQ(command.id, c.id);
    EXPECT_EQ(Describe(command.change), c.change);
    std::string names;
    for (const std::string& name : command.names) names += name + " ";
    EXPECT_EQ(names, c.names);
  }
}

struct RefusalCase {
  std::string body;
  const char* reason;
};

TEST(CommandReaderTest, RefusesWhatCannotBeReadOrReadBack) {
  const RefusalCase cases[] = {
      {"", "command line cut short"},
      {"GetNewPadID", "command line cut short"},
      // The client cuts a long command at 1023 characters, without its newline.
      {"SetPadAttributes 42 name=\"abc", "command line cut short"},
      {"GetNewPadID\xFF\n", "command line cut short"},
      {"GetNewPadID\nDeletePad 1\n", "control character in command"},
      {"Frobnicate 1\n", "unknown command"},
      {"getnewpadid\n", "unknown command"},
      {"GetPadInfo abc\n", "pad identifier is not a number"},
      {"GetPadInfo -1\n", "pad identifier is not a number"},
      {"GetPadInfo 4294967296\n", "pad identifier is not a number"},
      {"GetPadInfo " + std::string(40, '9') + "\n", "pad identifier is not a number"},
      {"GetPadInfo +1\n", "pad identifier is not a number"},
      {"GetPadInfo 0x10\n", "pad identifier is not a number"},
      {"GetPadInfo %31\n", "pad identifier is not a number"},
      {"GetPadInfo ../1\n", "pad identifier is not a number"},
      {"GetChildPads 1\x7F\n", "control character in command"},
      {"DeletePad 1\r\rDeletePad 2\n", "control character in command"},
      {"DeletePad\n", "pad identifier is not a number"},
      {"GetNewPadID 5\n", "unexpected text after the command"},
      {"DeletePad 1 2\n", "unexpected text after the command"},
      {"SetPadInfo 42 x 0 0 a b\n", "parent identifier is not a number"},
      {"SetPadInfo 42 7 1.5 0 a b\n", "position is not a number"},
      {"SetPadInfo 42 7 0 2147483648 a b\n", "position is not a number"},
      {"SetPadInfo 42 7 0 0 guest\n", "bad owner"},
      {"SetPadInfo 42 7 0 0 gu\"est guest\n", "bad owner"},
      {"SetPadAttributes 42 width\n", "attribute without a value"},
      {"SetPadAttributes 42 =5\n", "bad attribute name"},
      {"SetPadAttributes 42 a,b=5\n", "bad attribute name"},
      {"SetPadAttributes 42 " + std::string(256, 'k') + "=1\n", "bad attribute name"},
      {"GetPadAttributes 42 x a\"b\n", "bad attribute name"},
      {"SetPadAttributes 42 name=\"abc\n", "unterminated quoted value"},
      {"SetPadAttributes 42 name=\"a\"b\n", "text right behind a quoted value"},
      {"SetPadAttributes 42 a=1,2\n", "bad attribute value"},
      {"SetPadAttributes 42 a=\n", "bad attribute value"},
      {"SetPadAttributes 42 a=\"x\ty\"\n", "bad attribute value"},
      {"SetPadAttributes 42 id=5\n", "reserved attribute name"},
      {"SetPadAttributes 42 pid=5\n", "reserved attribute name"},
      {"SetPadAttributes 42 x=abc\n", "position is not a number"},
      {"SetPadAttributes 42 y=\"5\"\n", "position is not a number"},
      {"SetPadAttributes 42 group=\"\"\n", "bad owner"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.body);
    Command command;
    Status status = ReadCommand(c.body, command);
    EXPECT_EQ(status.code, kBadRequest);
    EXPECT_EQ(status.reason, c.reason);
  }
}

}  // namespace
}  // namespace padserver
