// Class list files: reading, the written form, adding and removing entries.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "setup/files/ClassList.h"

namespace setup {
namespace {

struct ListDeleter {
  void operator()(ClassList* list) const { FreeClassList(list); }
};
using ListPtr = std::unique_ptr<ClassList, ListDeleter>;

std::string Field(const std::optional<std::string>& field) {
  return field ? "<" + *field + ">" : "-";
}

// The lines of a list as "<first> <second> <third>", "-" for a missing field.
std::vector<std::string> Lines(const ClassList* list) {
  std::vector<std::string> lines;
  for (const ClassLine* line = list->head; line != nullptr; line = line->next) {
    lines.push_back(Field(line->first) + " " + Field(line->second) + " " + Field(line->third));
  }
  return lines;
}

class ClassListTest : public testing::Test {
 protected:
  // Reads `content` as a class list file.
  ListPtr Read(const std::string& content) {
    EXPECT_TRUE(WriteText(path_, content));
    ListPtr list(ReadClassList(path_.c_str()));
    EXPECT_NE(list, nullptr);
    return list;
  }

  // Writes `list` and returns the file's text.
  std::string Written(const ClassList* list) {
    EXPECT_TRUE(WriteClassList(list, out_.c_str()));
    return ReadText(out_);
  }

  // Reads `content` and writes it back unchanged.
  std::string Rewritten(const std::string& content) { return Written(Read(content).get()); }

  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("nametab.lst");
  std::string out_ = scratch_.File("written.lst");
};

struct FieldCase {
  const char* line;
  const char* fields;
};

TEST_F(ClassListTest, ReadsTheFieldsOfALine) {
  const FieldCase cases[] = {
      {"Clock  \"a b\"   \"c\"", "<Clock> <a b> <c>"},
      {";;;Clock; old", "<;;;Clock; old> - -"},
      {"; a comment \"x\" y", "<; a comment \"x\" y> - -"},
      {"ClockPad one", "<ClockPad> <one> -"},
      {"A \"b\" \"c\" \"d\"", "<A> <b> <c>"},
      {"A\t\"b\"\tc", "<A> <b> <c>"},
      {"A \"b\"c", "<A> <b> <c>"},
      {"A ;rest of \"the\" line", "<A> <;rest of \"the\" line> -"},
      {"A \"\"", "<A> <> -"},
      {"\"Quoted name\" \"v\"", "<Quoted name> <v> -"},
      {"Lone", "<Lone> - -"},
      {"A \"b\"\r", "<A> <b> -"},
      // Lines the written form never produces.
      {"", "- - -"},
      {"   \t ", "- - -"},
      {"  Lead \"x\"", "<Lead> <x> -"},
      {"A \"unclosed value", "<A> <unclosed value> -"},
      {"A \"b\" \"unclosed", "<A> <b> <unclosed>"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.line);
    ListPtr list = Read(std::string(c.line) + "\n");
    ASSERT_EQ(Lines(list.get()), std::vector<std::string>{c.fields});
  }
}

TEST_F(ClassListTest, ReadsEveryLineInOrder) {
  ListPtr list = Read(";;;Clock;\nClockPad \"a\"\n\nLast \"x\" \"y\"");
  EXPECT_EQ(Lines(list.get()), (std::vector<std::string>{"<;;;Clock;> - -", "<ClockPad> <a> -",
                                                         "- - -", "<Last> <x> <y>"}));
  EXPECT_EQ(list->path, path_);
}

TEST_F(ClassListTest, ReadsLongLinesWhole) {
  for (std::size_t length : {254u, 255u, 256u, 300u, 511u, 5000u}) {
    SCOPED_TRACE(length);
    std::string name(length, 'n');
    ListPtr list = Read(name + " \"v\"\nNext \"w\"\n");
    EXPECT_EQ(Lines(list.get()),
              (std::vector<std::string>{"<" + name + "> <v> -", "<Next> <w> -"}));
  }
  ListPtr list = Read(std::string(300, 'x') + "\n");
  EXPECT_EQ(list->bufferSize, 512);
}

TEST_F(ClassListTest, EmptyAndMissingFiles) {
  ListPtr empty = Read("");
  EXPECT_EQ(empty->head, nullptr);
  EXPECT_EQ(ReadClassList(scratch_.File("missing.lst").c_str()), nullptr);
  EXPECT_EQ(ReadClassList(nullptr), nullptr);
}

TEST_F(ClassListTest, WritesAlignedQuotedGroups) {
  EXPECT_EQ(Rewritten(";;;Clock;\nClockPad \"abc\" \"x\"\nAlarmClockPad abcdef\n"),
            ";;;Clock;\n"
            "ClockPad      \"abc\"    \"x\"\n"
            "AlarmClockPad \"abcdef\"\n");
  EXPECT_EQ(Rewritten(";;;Clock;\nClock  \"a b\"   \"c\"\n"), ";;;Clock;\nClock \"a b\" \"c\"\n");
}

TEST_F(ClassListTest, EachHeaderStartsAGroupOfItsOwn) {
  EXPECT_EQ(Rewritten("; classes\n;;;A;\nLongName x y\nB z\n; note\nC w\n;;;D;\n;;;E;\nE1 v\n"),
            "; classes\n"
            ";;;A;\n"
            "LongName \"x\" \"y\"\n"
            "B        \"z\"\n"
            "; note\n"
            "C \"w\"\n"
            ";;;D;\n"
            ";;;E;\n"
            "E1 \"v\"\n");
}

TEST_F(ClassListTest, WrittenFileReadsBackTheSameFields) {
  const std::string content =
      "; comment with \"quotes\"\n;;;My Section;\n  A   b  c\nLonger\t\"two words\"\n"
      "Third \"x\" \"y z\"\n;;;Other;\nSolo ;semicolon text\n";
  ListPtr original = Read(content);
  std::string written = Written(original.get());
  ListPtr again(ReadClassList(out_.c_str()));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Lines(again.get()), Lines(original.get()));
  EXPECT_EQ(Rewritten(written), written);  // the written form is stable
}

TEST_F(ClassListTest, OddLinesAreWrittenBackWithoutLosingFields) {
  // An entry first, an empty line, a leading blank, an unclosed quote, a
  // lone quoted word and a name with blanks.
  const std::string content =
      "First \"v1\" \"v2\"\n\n;;;S;\n  Lead \"x\"\nOpen \"no end\n\"Two words\"\n"
      "\"Odd name\" \"v\"\n";
  ListPtr original = Read(content);
  std::string written = Written(original.get());
  EXPECT_EQ(written,
            "First \"v1\" \"v2\"\n"
            "\n"
            ";;;S;\n"
            "Lead \"x\"\n"
            "Open \"no end\"\n"
            "\"Two words\"\n"
            "\"Odd name\" \"v\"\n");
  ListPtr again(ReadClassList(out_.c_str()));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Lines(again.get()), Lines(original.get()));
}

// Quotes cannot carry a double quote: a value holding one is written as it
// was read, a NUL byte stays inside its field, and a field that no written
// form can carry makes the write refuse, leaving the file as it was.
TEST_F(ClassListTest, FieldsReadBackUnchangedOrAreRefused) {
  using namespace std::string_literals;
  const std::pair<std::string, std::string> cases[] = {
      // read, written
      {";;;S;\nA x\"y\nLonger \"v\" q\"t\n", ";;;S;\nA      x\"y\nLonger \"v\" q\"t\n"},
      {";;;S;\nA \"v\" ;tail \"quoted\"\nB ;x\"y\n", ";;;S;\nA \"v\"  ;tail \"quoted\"\nB ;x\"y\n"},
      {";;;S;\nA \"b\0c\" d\n\"\"\n"s, ";;;S;\nA \"b\0c\" \"d\"\n\"\"\n"s},
      // Carriage returns end a line however many there are.
      {";;;S;\r\r\nA b\r\r\n\rC d\r\nh\"\r \nE f\"\r \n",
       ";;;S;\nA  \"b\"\n\rC \"d\"\nh\"\r \nE f\"\r \n"},
      {"\";x\r\"\n", "\";x\r\"\n"},
  };
  for (const auto& [content, written] : cases) {
    SCOPED_TRACE(content);
    ListPtr original = Read(content);
    EXPECT_EQ(Written(original.get()), written);
    ListPtr again(ReadClassList(out_.c_str()));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Lines(again.get()), Lines(original.get()));
  }

  // An update keeps the third value, so a ";" second value cannot run to the
  // line end.
  ListPtr list = Read(";;;S;\nA \"v\" \"w\"\n");
  AddClassEntry(list.get(), "S", "A", ";x\"y", nullptr);
  ASSERT_TRUE(WriteText(out_, "as it was"));
  EXPECT_FALSE(WriteClassList(list.get(), out_.c_str()));
  EXPECT_EQ(ReadText(out_), "as it was");
  EXPECT_EQ(scratch_.Listing(), "nametab.lst written.lst");
}

TEST_F(ClassListTest, WritesToItsOwnPathWhenNoneIsGiven) {
  ListPtr list = Read(";;;A;\nx   y\n");
  ASSERT_TRUE(WriteClassList(list.get(), nullptr));
  EXPECT_EQ(ReadText(path_), ";;;A;\nx \"y\"\n");
  EXPECT_FALSE(WriteClassList(nullptr, out_.c_str()));
}

TEST_F(ClassListTest, AddAppendsAMissingSectionAtTheEnd) {
  ListPtr list = Read(";;;Base;\nBasePad \"b\"\n; trailing comment\n");
  AddClassEntry(list.get(), "Clock", "ClockPad", "one", nullptr);
  AddClassEntry(list.get(), "Clock", "AlarmPad", "two", "three");
  EXPECT_EQ(Lines(list.get()),
            (std::vector<std::string>{"<;;;Base;> - -", "<BasePad> <b> -",
                                      "<; trailing comment> - -", "<;;;Clock;> - -",
                                      "<ClockPad> <one> -", "<AlarmPad> <two> <three>"}));

  ListPtr empty = Read("");
  AddClassEntry(empty.get(), "Clock", "ClockPad", "one", nullptr);
  EXPECT_EQ(Lines(empty.get()),
            (std::vector<std::string>{"<;;;Clock;> - -", "<ClockPad> <one> -"}));
}

TEST_F(ClassListTest, AddUpdatesTheSectionsFirstEntryInPlace) {
  ListPtr list = Read(";;;Clock;\nClockPad \"one\" \"w\"\nOther \"o\"\nClockPad \"dup\"\n");
  AddClassEntry(list.get(), "Clock", "ClockPad", "two", nullptr);
  EXPECT_EQ(Lines(list.get()), (std::vector<std::string>{"<;;;Clock;> - -", "<ClockPad> <two> <w>",
                                                         "<Other> <o> -", "<ClockPad> <dup> -"}));
  AddClassEntry(list.get(), "Clock", "Other", nullptr, nullptr);  // keeps its values
  EXPECT_EQ(Lines(list.get())[2], "<Other> <o> -");
}

TEST_F(ClassListTest, AddPlacesNewEntriesAtTheEndOfTheirSection) {
  ListPtr list = Read(";;;Clock;\nA \"1\"\n; comment\n;;;Empty;\n;;;Next;\nA \"n\"\n");
  AddClassEntry(list.get(), "Clock", "B", "2", nullptr);
  AddClassEntry(list.get(), "Empty", "E", "e", nullptr);
  AddClassEntry(list.get(), "Next", "A", "changed", nullptr);
  EXPECT_EQ(Lines(list.get()),
            (std::vector<std::string>{"<;;;Clock;> - -", "<A> <1> -", "<B> <2> -",
                                      "<; comment> - -", "<;;;Empty;> - -", "<E> <e> -",
                                      "<;;;Next;> - -", "<A> <changed> -"}));
}

TEST_F(ClassListTest, AddIgnoresIncompleteRequests) {
  ListPtr list = Read(";;;Clock;\nA \"1\"\n");
  const std::vector<std::string> before = Lines(list.get());
  AddClassEntry(list.get(), "Clock", "B", nullptr, "third");
  AddClassEntry(list.get(), "Clock", nullptr, "2", nullptr);
  AddClassEntry(list.get(), nullptr, "B", "2", nullptr);
  AddClassEntry(nullptr, "Clock", "B", "2", nullptr);
  EXPECT_EQ(Lines(list.get()), before);
}

TEST_F(ClassListTest, RemoveTakesTheEntryOutOfItsSection) {
  ListPtr list = Read(";;;Clock;\nA \"1\"\nB \"2\"\nB \"3\"\n;;;Other;\nB \"4\"\n");
  RemoveClassEntry(list.get(), "Clock", "B");
  EXPECT_EQ(Lines(list.get()),
            (std::vector<std::string>{"<;;;Clock;> - -", "<A> <1> -", "<B> <3> -",
                                      "<;;;Other;> - -", "<B> <4> -"}));
}

TEST_F(ClassListTest, RemoveNeverReachesIntoAnotherSection) {
  const std::string content =
      ";;;Clock;\nA \"1\"\n; comment\nClockPad \"after comment\"\n;;;Other;\nClockPad \"2\"\n";
  ListPtr list = Read(content);
  const std::vector<std::string> before = Lines(list.get());
  RemoveClassEntry(list.get(), "Clock", "ClockPad");
  EXPECT_EQ(Lines(list.get()), before);
  RemoveClassEntry(list.get(), "Missing", "A");
  RemoveClassEntry(list.get(), "Clock", nullptr);
  RemoveClassEntry(list.get(), nullptr, "A");
  RemoveClassEntry(nullptr, "Clock", "A");
  EXPECT_EQ(Lines(list.get()), before);
}

TEST_F(ClassListTest, AMarkerWithTrailingTextIsNoMarker) {
  ListPtr list = Read(";;;Clock; old\nA \"1\"\n");
  RemoveClassEntry(list.get(), "Clock", "A");
  AddClassEntry(list.get(), "Clock", "B", "2", nullptr);
  EXPECT_EQ(Lines(list.get()), (std::vector<std::string>{"<;;;Clock; old> - -", "<A> <1> -",
                                                         "<;;;Clock;> - -", "<B> <2> -"}));
}

// One editor making many edits leaves the list as the same edits made one at
// a time, also where it must not trust what it remembered: entries without a
// value, names that look like markers, duplicates, removals and new sections.
TEST_F(ClassListTest, AnEditorEditsAsSingleEditsDo) {
  struct Edit {
    bool add;
    const char* section;
    const char* name;
    const char* second;
    const char* third;
  };
  const Edit edits[] = {
      {true, "A", "a2", "v", nullptr},
      {true, "A", "a1", "new", "t"},
      {true, "New", "n1", "1", nullptr},
      {true, "A", "bare", nullptr, nullptr},
      {true, "A", "a3", "3", nullptr},
      {true, "New", "n2", "2", "x"},
      {false, "A", "a1", nullptr, nullptr},
      {true, "A", "a1", "again", nullptr},
      {true, "B", ";;;New;", "m", nullptr},
      {true, "New", "n3", "3", nullptr},
      {false, "B", ";;;New;", nullptr, nullptr},
      {true, "New", "n4", "4", nullptr},
      {false, "New", "n1", nullptr, nullptr},
      {false, "Gone", "x", nullptr, nullptr},
      {true, "C", "c", "c", nullptr},
      {false, "A", "a1", nullptr, nullptr},
  };
  const std::string content =
      ";;;A;\na1 \"1\"\na1 \"dup\"\n; note\n;;;B;\nb \"b\"\n;;;A;\nz \"z\"\n";
  ListPtr single = Read(content);
  ListPtr edited = Read(content);
  ClassListEditor editor(edited.get());
  for (const Edit& edit : edits) {
    if (edit.add) {
      AddClassEntry(single.get(), edit.section, edit.name, edit.second, edit.third);
      editor.Add(edit.section, edit.name, edit.second, edit.third);
    } else {
      RemoveClassEntry(single.get(), edit.section, edit.name);
      editor.Remove(edit.section, edit.name);
    }
    ASSERT_EQ(Lines(edited.get()), Lines(single.get())) << "after " << edit.name;
  }
  EXPECT_EQ(Lines(single.get()).size(), 15u);
}

}  // namespace
}  // namespace setup
