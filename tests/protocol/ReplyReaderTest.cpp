// The reader of reply text, table-driven: pairs, records and lists, with the
// rules that look odd kept as they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProtocolTestSupport.h"

namespace {

struct PairCase {
  const char* text;
  const char* key;  // null: no pair
  const char* value;
  const char* rest;  // the text at the returned cursor
};

class ParsePairTest : public testing::TestWithParam<PairCase> {};

TEST_P(ParsePairTest, ReadsOnePairAndStopsBehindIt) {
  const PairCase& c = GetParam();
  PadServer pad;
  std::string buffer = c.text;
  char* key = nullptr;
  char* value = nullptr;
  char* cursor = pad.ParsePair(&buffer[0], key, value);
  KernelText keyText(key);
  KernelText valueText(value);
  if (c.key == nullptr) {
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(value, nullptr);
  } else {
    ASSERT_NE(key, nullptr);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(keyText.str(), c.key);
    EXPECT_EQ(valueText.str(), c.value);
  }
  EXPECT_STREQ(cursor, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ParsePairTest,
    testing::Values(PairCase{"  id=5 x=3", "id", "5", "x=3"},
                    // Blanks before "=" belong to the key; the one blank after it ends an
                    // empty value.
                    PairCase{"a = 1", "a ", "", "1"}, PairCase{"=5", "", "5", ""},
                    PairCase{"name=\"My pad\" x=1", "name", "My pad", " x=1"},
                    PairCase{"name=\"a,b c\",x=1", "name", "a,b c", ",x=1"},
                    PairCase{"name=\"\"", "name", "", ""},
                    // Without its closing quote the value loses its last character.
                    PairCase{"name=\"abc", "name", "ab", ""}, PairCase{"name=\"", "name", "", ""},
                    // A comma right behind an unquoted value is its delimiter.
                    PairCase{"id=12,id=13", "id", "12", "id=13"},
                    PairCase{"id=12 ,id=13", "id", "12", ",id=13"},
                    PairCase{"x=a\"b", "x", "a\"b", ""}, PairCase{"\tk=v\r\n", "k", "v", ""},
                    PairCase{"novalue here", nullptr, nullptr, ""},
                    PairCase{"", nullptr, nullptr, ""}));

struct TextCase {
  const char* text;
  const char* expected;  // Describe() of the result
};

class ParseRecordTest : public testing::TestWithParam<TextCase> {};

TEST_P(ParseRecordTest, StoresValuesAsTheTypeTableSays) {
  PadServer pad;
  std::string buffer = GetParam().text;
  char* cursor = &buffer[0];
  Dictionary record(pad.ParseRecord(cursor));
  EXPECT_EQ(Describe(record.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ParseRecordTest,
    testing::Values(TextCase{"", ""},
                    TextCase{"id=5 x=3 simage=true name=\"My pad\"",
                             "id=5:7 | x=3:5 | simage=1:2 | name=My pad:4"},
                    TextCase{"plaza=TRUE", "plaza=0:2"}, TextCase{"plaza=1", "plaza=0:2"},
                    TextCase{"plaza=true", "plaza=1:2"}, TextCase{"plaza=\"true\" ", "plaza=1:2"},
                    TextCase{"x=abc", "x=0:5"}, TextCase{"x=-4", "x=-4:5"},
                    TextCase{"width=3.7", "width=3:5"}, TextCase{"global-y= 7", "global-y=0:5"},
                    TextCase{"id=4294967295", "id=4294967295:7"}, TextCase{"pid=x1", "pid=0:7"},
                    TextCase{"count=7", "count=7:4"}, TextCase{"a = 1", "a =:4"},
                    TextCase{"name=\"abc", "name=ab:4"},
                    // The second "id" takes the first one's place.
                    TextCase{"id=12,id=13", "id=13:7"}, TextCase{"id=12 ,id=13", "id=12:7"},
                    // A comma that is not right behind the value starts the next key.
                    TextCase{"id=12  ,id=13", "id=12:7 | ,id=13:4"},
                    TextCase{"name=\"a\" ,x=1", "name=a:4 | ,x=1:4"}, TextCase{"x=5 y", "x=5:5"},
                    TextCase{"simage=true\r\n", "simage=1:2"}, TextCase{"<html>Error</html>", ""}));

class ParseListTest : public testing::TestWithParam<TextCase> {};

TEST_P(ParseListTest, ReadsRecordsUpToTheFirstEmptyOne) {
  PadServer pad;
  std::string buffer = GetParam().text;
  Dictionary list(pad.ParseList(&buffer[0]));
  EXPECT_EQ(Describe(list.get()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ParseListTest,
    testing::Values(TextCase{"", ""}, TextCase{"no pairs here", ""},
                    TextCase{"id=1 ,id=2 ,id=3", "0={id=1:7}:1 | 1={id=2:7}:1 | 2={id=3:7}:1"},
                    TextCase{",id=1", ""}, TextCase{"id=1,id=2", "0={id=2:7}:1"},
                    TextCase{"name=\"a\",id=13", "0={name=a:4}:1 | 1={id=13:7}:1"},
                    TextCase{"id=1 ,,id=2", "0={id=1:7}:1"},
                    TextCase{"x=1 y=2 ,x=3 simage=false",
                             "0={x=1:5 | y=2:5}:1 | 1={x=3:5 | simage=0:2}:1"}));

TEST(ParseRecordCursor, MovesPastTheCommaThatEndsTheRecord) {
  PadServer pad;
  std::string buffer = "id=1 ,id=2";
  char* cursor = &buffer[0];
  Dictionary first(pad.ParseRecord(cursor));
  EXPECT_STREQ(cursor, "id=2");
  Dictionary second(pad.ParseRecord(cursor));
  EXPECT_STREQ(cursor, "");
  EXPECT_EQ(Describe(second.get()), "id=2:7");
}

}  // namespace
