// The command line of a run: mode, source folder and module name.
#include <gtest/gtest.h>

#include "RecordingFrontEnd.h"
#include "SetupTestSupport.h"
#include "setup/run/SetupRun.h"
#include "setup/texts/CommandLineText.h"
#include "setup/texts/ProgramOptions.h"

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
      {{"-quiet", "-log", "my log.txt", "clock"}, "-quiet -log \"my log.txt\" clock"},
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

struct ProgramOptionsCase {
  const char* line;
  bool quiet;
  bool help;
  const char* log;
  const char* run;  // null: the line is refused
};

TEST(ProgramOptionsTest, TakesTheProgramsOptionsOutOfTheRunsLine) {
  const ProgramOptionsCase cases[] = {
      {"", false, false, "", ""},
      {"clock", false, false, "", "clock"},
      {"-quiet clock", true, false, "", "clock"},
      {"-del -quiet -in 'C:\\My Mods' clock", true, false, "", "-del -in 'C:\\My Mods' clock"},
      {"-log \"C:\\logs\\run 1.txt\" -add clock", false, false, "C:\\logs\\run 1.txt",
       "-add clock"},
      {"-in /m -log 'run.log' -quiet x", true, false, "run.log", "-in /m x"},
      {"--help", false, true, "", ""},
      {"-del -? clock", false, true, "", "-del clock"},
      // A word that is no option ends the options, as it does for the run.
      {"clock -quiet", false, false, "", "clock -quiet"},
      {"-add-quiet", false, false, "", "-add -quiet"},
      {"-quietly clock", false, false, "", "-quietly clock"},
      {"-log", false, false, "", nullptr},
      {"-log   ", false, false, "", nullptr},
      {"-log '' clock", false, false, "", nullptr},
  };
  for (const ProgramOptionsCase& c : cases) {
    ProgramOptions options = ReadProgramOptions(c.line);
    EXPECT_EQ(options.error.empty(), c.run != nullptr) << c.line;
    if (c.run == nullptr) continue;
    EXPECT_EQ(options.quiet, c.quiet) << c.line;
    EXPECT_EQ(options.help, c.help) << c.line;
    EXPECT_EQ(options.logPath, c.log) << c.line;
    EXPECT_EQ(options.runCommandLine, c.run) << c.line;
  }
}

TEST(TextAfterProgramNameTest, SkipsTheNameAsWindowsWritesIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"mkinstall.exe -del clock", "-del clock"},
      {"\"C:\\Program Files\\mkinstall.exe\"  -in 'C:\\My Mods' clock", "-in 'C:\\My Mods' clock"},
      {"\"C:\\x\\mkinstall.exe\"-del", "-del"},
      {"mkinstall\t\t-del ", "-del "},
      {"mkinstall.exe", ""},
      {"\"unclosed name -del", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TextAfterProgramName(c.first), c.second) << c.first;
  EXPECT_EQ(TextAfterProgramName(nullptr), "");
}

}  // namespace
}  // namespace setup
