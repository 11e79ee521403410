// The keyed table and the user type and message files built on it.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "setup/files/KeyedTable.h"
#include "setup/files/MessageFile.h"
#include "setup/files/UserTypeFile.h"

namespace setup {
namespace {

// The items as "key=value", in order, checking the links both ways.
std::vector<std::string> Items(const KeyedTable& table) {
  std::vector<std::string> items;
  const KeyedItem* previous = nullptr;
  for (const KeyedItem* item = table.first; item != nullptr; item = item->next) {
    EXPECT_EQ(item->previous, previous);
    items.push_back(item->key + "=" + item->value);
    previous = item;
  }
  EXPECT_EQ(table.last, previous);
  return items;
}

TEST(KeyedTableTest, KeepsOrderAndUpdatesTheFirstOfAKey) {
  KeyedTable table;
  table.SetValue("a", "1");
  table.SetValue(nullptr, "comment");
  table.SetValue("b", "2");
  table.SetValue("a", "3");
  table.AppendToValue("b", "+");
  table.AppendToValue("missing", "x");
  table.AppendToValue(nullptr, "x");
  EXPECT_EQ(Items(table), (std::vector<std::string>{"a=3", "=comment", "b=2+"}));
  EXPECT_EQ(table.FindItem(nullptr), nullptr);
  EXPECT_EQ(table.FindItem("A"), nullptr);  // keys keep their case
  ASSERT_NE(table.FindItem("b"), nullptr);
  EXPECT_EQ(table.FindItem("b")->value, "2+");
}

// Keyless items share the empty key: however many follow, the first is the
// one found under it.
TEST(KeyedTableTest, TheFirstOfSeveralKeylessItemsIsTheOneFound) {
  KeyedTable table;
  table.SetValue(nullptr, "one");
  table.SetValue("a", "1");
  table.SetValue(nullptr, "two");
  table.SetValue("", "replaced");
  table.SetValue(nullptr, "three");
  table.SetValue("a", "2");
  EXPECT_EQ(Items(table), (std::vector<std::string>{"=replaced", "a=2", "=two", "=three"}));
  EXPECT_EQ(table.FindItem(""), table.first);
}

class TableFileTest : public testing::Test {
 protected:
  ScratchDirectory scratch_;
  std::string destination_ = scratch_.File("destination");
  std::string source_ = scratch_.File("source");
  std::string missing_ = scratch_.File("missing");
};

TEST_F(TableFileTest, UserTypeMergeReplacesAndAppends) {
  using namespace std::string_literals;
  WriteText(destination_, "Color red\n  Size\t10 extra words\n#comment\n\nLonely\nNul a\0b\n"s);
  WriteText(source_, "Size 12\nAngle   90\nSingle\nPath C:\\dir\\");
  ASSERT_TRUE(MergeUserTypeFile(destination_.c_str(), source_.c_str()));
  // Lines of fewer than two words and words after the second do not survive.
  EXPECT_EQ(ReadText(destination_),
            "Color\t\tred\nSize\t\t12\nNul\t\ta\0b\nAngle\t\t90\nPath\t\tC:\\dir\\\n"s);
}

TEST_F(TableFileTest, UserTypeMergeWithMissingFiles) {
  WriteText(destination_, "Color red\nSize 10");
  ASSERT_TRUE(MergeUserTypeFile(destination_.c_str(), missing_.c_str()));
  EXPECT_EQ(ReadText(destination_), "Color\t\tred\nSize\t\t10\n");

  WriteText(source_, "Angle 90\n");
  std::string created = scratch_.File("created");
  ASSERT_TRUE(MergeUserTypeFile(created.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(created), "Angle\t\t90\n");

  EXPECT_FALSE(MergeUserTypeFile(nullptr, source_.c_str()));
  EXPECT_FALSE(MergeUserTypeFile(created.c_str(), nullptr));
}

TEST_F(TableFileTest, UserTypeWordsOfAnyLength) {
  std::string longValue(3000, 'v');
  WriteText(source_, "Long " + longValue + "\n");
  KeyedTable table;
  EXPECT_EQ(ReadUserTypeFile(&table, source_.c_str()), ReadStatus::kRead);
  EXPECT_EQ(Items(table), std::vector<std::string>{"Long=" + longValue});
  EXPECT_EQ(ReadUserTypeFile(&table, missing_.c_str()), ReadStatus::kMissing);
}

struct MessageCase {
  const char* name;
  const char* content;
  std::vector<std::string> items;
};

TEST_F(TableFileTest, ReadsMessages) {
  const MessageCase cases[] = {
      {"key and value", "A:B:x:y\n", {"A:B=x:y\n"}},
      {"continuation", "ClockPad:Alarm:Wake up\\\nnow\n", {"ClockPad:Alarm=Wake up\\\nnow\n"}},
      {"long continuation", "K:k:1\\\n2\\\n3\nL:l:4\n", {"K:k=1\\\n2\\\n3\n", "L:l=4\n"}},
      {"keyless lines",
       "# c\n\n  indented\nA:B:v\n",
       {"=# c\n", "=\n", "=  indented\n", "A:B=v\n"}},
      {"double-byte text",
       "Msg:\x83\x41:\x83\x41\n\x83\x41:x:y\n",
       {"Msg:\x83\x41=\x83\x41\n", "\x83\x41:x=y\n"}},
      {"repeated key", "A:B:1\nC:D:2\nA:B:3\n", {"A:B=3\n", "C:D=2\n"}},
      {"stop line", "A:B:1\nAlarm only one colon:\nC:D:2\n", {"A:B=1\n"}},
      {"no line end", "A:B:1\nC:D:2", {"A:B=1\n", "C:D=2"}},
      // A message still continuing at the end of the file is ended there.
      {"continuing at the end", "A:B:x\\\n", {"A:B=x\\\n\n"}},
      {"backslash at the very end", "K:k:1\\\n2\\", {"K:k=1\\\n2\\\n\n"}},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteText(source_, c.content);
    KeyedTable table;
    EXPECT_EQ(ReadMessageFile(&table, source_.c_str()), ReadStatus::kRead);
    EXPECT_EQ(Items(table), c.items);
  }
}

TEST_F(TableFileTest, MessagesAreWrittenBackAsRead) {
  using namespace std::string_literals;
  const std::string content = "# head\nClockPad:Alarm:Wake up\\\nnow\n\nA:B:x\0y\n"s;
  WriteText(source_, content);
  KeyedTable table;
  ReadMessageFile(&table, source_.c_str());
  ASSERT_TRUE(WriteMessageFile(&table, destination_.c_str()));
  EXPECT_EQ(ReadText(destination_), content);
}

TEST_F(TableFileTest, MessageMergeReplacesWholeValuesInPlace) {
  WriteText(destination_, "# platform\nA:B:old\\\nsecond\\\nthird\nC:D:keep\n");
  WriteText(source_, "# clock messages\nA:B:new\nClockPad:Alarm:Wake up\\\nnow\n");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  const std::string once =
      "# platform\nA:B:new\nC:D:keep\n# clock messages\nClockPad:Alarm:Wake up\\\nnow\n";
  EXPECT_EQ(ReadText(destination_), once);
  // A second install adds the module's comment again.
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(destination_), once + "# clock messages\n");
}

// A backslash at the end of either file never makes the next message part of
// the one before it.
TEST_F(TableFileTest, AContinuationAtTheEndOfAFileEndsThere) {
  const char* cases[][3] = {
      // destination, module, merged
      {"A:B:old\nC:D:keep\n", "E:F:e\nA:B:new\\", "A:B:new\\\n\nC:D:keep\nE:F:e\n"},
      {"X:Y:x\\\n", "N:K:n\n", "X:Y:x\\\n\nN:K:n\n"},
  };
  for (const auto& c : cases) {
    WriteText(destination_, c[0]);
    WriteText(source_, c[1]);
    ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
    EXPECT_EQ(ReadText(destination_), c[2]);
  }
}

TEST_F(TableFileTest, ModuleReadingStopsAtALineWithoutTwoColons) {
  WriteText(destination_, "A:B:1\n");
  WriteText(source_, "C:D:2\nAlarm only one colon:\nE:F:3\n");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(destination_), "A:B:1\nC:D:2\n");
}

TEST_F(TableFileTest, TheInstallationKeepsItsLinesAfterAStopLine) {
  const std::string kept = "Broken line without colons\nA:B:after\n\n# tail comment";
  WriteText(destination_, "# head\nX:Y:1\n" + kept);
  WriteText(source_, "X:Y:2\nNew:Key:3\n");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  // New messages go before the stop line, where the platform still reads;
  // the kept lines follow verbatim, the last one now ended.
  EXPECT_EQ(ReadText(destination_), "# head\nX:Y:2\nNew:Key:3\n" + kept + "\n");
}

TEST_F(TableFileTest, LastLinesWithoutLineEndsGetOne) {
  WriteText(destination_, "A:B:1");
  WriteText(source_, "# module comment");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(destination_), "A:B:1\n# module comment\n");

  WriteText(destination_, "A:B:");
  WriteText(source_, "C:D:");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(destination_), "A:B:\nC:D:\n");
}

TEST_F(TableFileTest, MessageLinesOfAnyLength) {
  std::string longValue(5000, 'm');
  WriteText(destination_, "# head\n");
  WriteText(source_, "Long:Key:" + longValue + "\nShort:Key:s\n");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(destination_), "# head\nLong:Key:" + longValue + "\nShort:Key:s\n");
}

TEST_F(TableFileTest, MessageMergeWithMissingFiles) {
  WriteText(destination_, "A:B:1\n");
  ASSERT_TRUE(MergeMessageFile(destination_.c_str(), missing_.c_str()));
  EXPECT_EQ(ReadText(destination_), "A:B:1\n");

  WriteText(source_, "C:D:2\n");
  std::string created = scratch_.File("created.mkrc");
  ASSERT_TRUE(MergeMessageFile(created.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(created), "C:D:2\n");
  EXPECT_FALSE(MergeMessageFile(created.c_str(), nullptr));
}

TEST_F(TableFileTest, AnUnreadableDestinationIsNeverReplaced) {
  // A directory stands where the destination should be: it exists but cannot
  // be read as a file, so a merge must not write over it.
  std::string directory = scratch_.File("in the way");
  ASSERT_TRUE(MakeDirectory(directory));
  WriteText(JoinPath({directory, "inside"}), "kept");
  WriteText(source_, "C:D:2\n");
  EXPECT_FALSE(MergeMessageFile(directory.c_str(), source_.c_str()));
  EXPECT_FALSE(MergeUserTypeFile(directory.c_str(), source_.c_str()));
  EXPECT_EQ(ReadText(JoinPath({directory, "inside"})), "kept");
  EXPECT_EQ(ListDirectory(scratch_.Path()), "in the way source");
}

}  // namespace
}  // namespace setup
