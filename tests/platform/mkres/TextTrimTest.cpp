// Trimming blanks at both ends of a text in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mkres/MwEnvironment.h"

namespace {

struct TrimCase {
  const char* text;
  const char* trimmed;
};

const TrimCase kTrimCases[] = {
    {"", ""},
    {"abc", "abc"},
    {"  abc", "abc"},
    {"abc  ", "abc"},
    {" a ", "a"},
    {"   ", ""},
    {" \t\r\n", ""},
    {"\tkey=value\r\n", "key=value"},
    {" \t\r\n abc def \r\n\t ", "abc def"},
    {"inner\tand\nlines", "inner\tand\nlines"},
    {"x", "x"},
};

}  // namespace

TEST(TextTrim, RemovesBlanksAtBothEndsOnly) {
  for (const TrimCase& c : kTrimCases) {
    std::vector<char> text(c.text, c.text + std::string(c.text).size() + 1);
    EXPECT_EQ(1, MwDelSpaceFrontBack(text.data())) << '"' << c.text << '"';
    EXPECT_STREQ(c.trimmed, text.data()) << '"' << c.text << '"';
  }
}

TEST(TextTrim, RefusesNull) { EXPECT_EQ(0, MwDelSpaceFrontBack(nullptr)); }
