// The command line of a run: mode, source folder and module name.
#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "setup/CommandLineText.h"
#include "setup/RecordingFrontEnd.h"
#include "setup/SetupRun.h"

namespace setup {
namespace {

struct CommandLineCase {
  const char* line;
  Mode mode;
  const char* folder;  // null: bare names in the current directory
  const char* module;
};

const CommandLineCase kCases[] = {
    {"", Mode::Install, nullptr, "ppp"},
    {"-del clock", Mode::Remove, nullptr, "clock"},
    {"-add clock", Mode::Install, nullptr, "clock"},
    {"-del", Mode::Remove, nullptr, "ppp"},
    {"-in 'C:\\Mods\\My Clock' clock", Mode::Install, "C:\\Mods\\My Clock", "clock"},
    {"-in \"C:\\Mods\\My Clock' clock", Mode::Install, "C:\\Mods\\My Clock", "clock"},
    {"-in C:\\Mods\\ clock", Mode::Install, "C:\\Mods\\", "clock"},
    {"-in    /mods/clock   clock", Mode::Install, "/mods/clock", "clock"},
    {"-addclock", Mode::Install, nullptr, "clock"},
    {"-delete", Mode::Remove, nullptr, "ete"},
    {"-in", Mode::Install, nullptr, "-in"},
    {"clock -del", Mode::Install, nullptr, "clock -del"},
    {"  clock  ", Mode::Install, nullptr, "clock"},
    {"my clock pad", Mode::Install, nullptr, "my clock pad"},
    {"-del -add -del x", Mode::Remove, nullptr, "x"},
    {"-del -add x", Mode::Install, nullptr, "x"},
    {"-in a -in b x", Mode::Install, "b", "x"},
    {"-in \"/no/closing quote clock", Mode::Install, "/no/closing quote clock", "ppp"},
    {"-in '' clock", Mode::Install, "", "clock"},
    {"-del-in /m clock", Mode::Remove, "/m", "clock"},
};

class CommandLineTest : public testing::TestWithParam<CommandLineCase> {
 protected:
  PrivateRegistry registry_;
  RecordingFrontEnd frontEnd_;
};

TEST_P(CommandLineTest, SetsModeAndSourcePaths) {
  const CommandLineCase& c = GetParam();
  SetupRun run(c.line, &frontEnd_, Language::kEnglish);
  EXPECT_EQ(run.ParseCommandLine(), 1);

  std::string folder = c.folder != nullptr ? std::string(c.folder) + Sep() : "";
  EXPECT_EQ(run.mode, c.mode);
  EXPECT_EQ(run.sourceNametab, folder + "nametab." + c.module);
  EXPECT_EQ(run.sourceUserdef, folder + "userdef." + c.module);
  EXPECT_EQ(run.sourceMessage, folder + "english." + c.module);
  // The path labels start empty.
  EXPECT_EQ(frontEnd_.LabelText(Label::kSource), "");
  EXPECT_EQ(frontEnd_.LabelText(Label::kDestination), "");
}

INSTANTIATE_TEST_SUITE_P(Lines, CommandLineTest, testing::ValuesIn(kCases));

TEST(CommandLineLanguageTest, MessageSourceTakesTheLanguagePrefix) {
  PrivateRegistry registry;
  RecordingFrontEnd frontEnd;
  SetupRun run("-in /m clock", &frontEnd, Language::kJapanese);
  run.ParseCommandLine();
  EXPECT_EQ(run.sourceMessage, "/m" + Sep() + "japanese.clock");
  EXPECT_EQ(run.sourceNametab, "/m" + Sep() + "nametab.clock");
}

TEST(CommandLineLanguageTest, ParsingAgainStartsAfresh) {
  PrivateRegistry registry;
  RecordingFrontEnd frontEnd;
  SetupRun run("-del -in /m clock", &frontEnd, Language::kEnglish);
  run.ParseCommandLine();
  run.ParseCommandLine();
  EXPECT_EQ(run.mode, Mode::Remove);
  EXPECT_EQ(run.sourceNametab, "/m" + Sep() + "nametab.clock");
}

struct JoinCase {
  std::vector<const char*> arguments;
  const char* text;
};

TEST(JoinArgumentsTest, RebuildsTheLineAndQuotesTheFolder) {
  const JoinCase cases[] = {
      {{}, ""},
      {{"clock"}, "clock"},
      {{"-del", "clock"}, "-del clock"},
      {{"-in", "/mods/My Clock", "clock"}, "-in \"/mods/My Clock\" clock"},
      {{"-in", "/mods/clock", "clock"}, "-in /mods/clock clock"},
      {{"-in", "", "clock"}, "-in \"\" clock"},
      {{"my", "clock"}, "my clock"},
      {{"-add", "my clock"}, "-add my clock"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(JoinArguments(static_cast<int>(c.arguments.size()), c.arguments.data()), c.text);
  }
}

TEST(JoinArgumentsTest, AFolderWithBlanksSurvivesTheRoundTrip) {
  PrivateRegistry registry;
  RecordingFrontEnd frontEnd;
  const char* arguments[] = {"-del", "-in", "/mods/My Clock", "clock"};
  SetupRun run(JoinArguments(4, arguments), &frontEnd, Language::kEnglish);
  run.ParseCommandLine();
  EXPECT_EQ(run.mode, Mode::Remove);
  EXPECT_EQ(run.sourceNametab, "/mods/My Clock" + Sep() + "nametab.clock");
}

}  // namespace
}  // namespace setup
