// Whole setup runs against a platform installation in a scratch directory,
// shown on the recording front end.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordingFrontEnd.h"
#include "SetupTestSupport.h"
#include "os/Thread.h"
#include "setup/frontend/LogFrontEnd.h"
#include "setup/run/SetupRun.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

const char kInstalledNametab[] = ";;;Base;\nBasePad  \"b1\" \"b2\"\n;;;Clock;\nOldClock \"o1\"\n";
const char kInstalledUserdef[] = "Color red\nSize 10\n";
const char kInstalledMessages[] = "# platform\nBasePad:Hello:hi\n";

const char kModuleNametab[] = ";;;Clock;\nClockPad \"c1\" \"c2\"\nAlarmClockPad \"a1\"\n";
const char kModuleUserdef[] = "Size 12\nAngle 90\n";
const char kModuleMessages[] = "# clock messages\nClockPad:Alarm:Wake up\\\nnow\n";

const char kNametabAfterInstall[] =
    ";;;Base;\n"
    "BasePad \"b1\" \"b2\"\n"
    ";;;Clock;\n"
    "OldClock      \"o1\"\n"
    "ClockPad      \"c1\" \"c2\"\n"
    "AlarmClockPad \"a1\"\n";
const char kUserdefAfterInstall[] = "Color\t\tred\nSize\t\t12\nAngle\t\t90\n";

struct Outcome {
  int exitCode = -1;
  std::vector<std::string> statusTexts;
  std::string status;
  std::vector<int> progress;
  std::size_t pauses = 0;
  bool okEnabled = false;
};

class SetupRunTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteText(install_.Nametab(), kInstalledNametab);
    WriteText(install_.Userdef(), kInstalledUserdef);
    WriteText(install_.Messages(), kInstalledMessages);
    WriteText(install_.Messages("japanese"), kInstalledMessages);
    WriteText(install_.ModuleFile("nametab.clock"), kModuleNametab);
    WriteText(install_.ModuleFile("userdef.clock"), kModuleUserdef);
    WriteText(install_.ModuleFile("english.clock"), kModuleMessages);
    WriteText(install_.ModuleFile("japanese.clock"), "# japanese\nClockPad:Alarm:J\n");
  }

  // Runs the whole sequence on a worker thread, as the program does.
  Outcome Run(const std::string& commandLine, Language language = Language::kEnglish,
              std::function<void(int)> pauseHook = nullptr) {
    RecordingFrontEnd frontEnd;
    if (pauseHook) frontEnd.SetPauseHook(pauseHook);
    SetupRun run(commandLine, &frontEnd, language);
    os::ThreadHandle* worker = os::StartThread(SetupThreadProc, &run);
    Outcome outcome;
    if (worker == nullptr) {
      ADD_FAILURE() << "no worker thread";
      return outcome;
    }
    EXPECT_TRUE(os::WaitForThread(worker, 30000));
    unsigned long threadExit = 0;
    EXPECT_TRUE(os::ThreadExitCode(worker, &threadExit));
    EXPECT_EQ(threadExit, 1u);
    os::ReleaseThread(worker);
    outcome.exitCode = run.ExitCode();
    outcome.statusTexts = frontEnd.StatusTexts();
    outcome.status = frontEnd.LabelText(Label::kStatus);
    outcome.progress = frontEnd.ProgressPositions();
    outcome.pauses = frontEnd.Pauses().size();
    outcome.okEnabled = frontEnd.OkEnabled();
    return outcome;
  }

  // Every file of the installation, byte for byte.
  std::vector<std::string> Snapshot() {
    return {ReadWholeFile(install_.Nametab()),
            ReadWholeFile(install_.Userdef()),
            ReadWholeFile(install_.Messages()),
            ReadWholeFile(install_.Messages("japanese")),
            ListDirectory(install_.Root()),
            ListDirectory(install_.UserDir()),
            ListDirectory(JoinPath({install_.UserDir(), "Message"}))};
  }

  TestInstallation install_;
};

TEST_F(SetupRunTest, InstallMergesAllThreeFiles) {
  Outcome outcome = Run(install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_EQ(
      outcome.statusTexts,
      (std::vector<std::string>{"Regist Class: ClockPad", "Regist Class: AlarmClockPad", "Finish",
                                "User's Datatype", "User's Message", "Setup Completed"}));
  EXPECT_EQ(outcome.progress, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(outcome.pauses, 5u);  // two class lines and the end of each step
  EXPECT_TRUE(outcome.okEnabled);

  EXPECT_EQ(ReadText(install_.Nametab()), kNametabAfterInstall);
  EXPECT_EQ(ReadText(install_.Userdef()), kUserdefAfterInstall);
  EXPECT_EQ(ReadText(install_.Messages()), std::string(kInstalledMessages) + kModuleMessages);
  EXPECT_EQ(ReadText(install_.Messages("japanese")), kInstalledMessages);
  EXPECT_EQ(ReadText(install_.ModuleFile("nametab.clock")), kModuleNametab);
  // Nothing else is left in the installation.
  EXPECT_EQ(ListDirectory(install_.Root()), "nametab.lst userdef.lst");
  EXPECT_EQ(ListDirectory(JoinPath({install_.UserDir(), "Message"})), "english.mkrc japanese.mkrc");
}

TEST_F(SetupRunTest, TheLogHoldsEveryStatusWithItsFilesAndTheRunShowsTheSame) {
  const std::string logPath = install_.Scratch().File("run.log");
  std::FILE* log = std::fopen(logPath.c_str(), "w");
  ASSERT_NE(log, nullptr);
  RecordingFrontEnd shown;
  LogFrontEnd logged(log, &shown);
  SetupRun run(install_.InFolder() + "clock", &logged, Language::kEnglish);
  run.Run();
  std::fclose(log);

  EXPECT_EQ(
      shown.StatusTexts(),
      (std::vector<std::string>{"Regist Class: ClockPad", "Regist Class: AlarmClockPad", "Finish",
                                "User's Datatype", "User's Message", "Setup Completed"}));
  EXPECT_EQ(shown.ProgressPositions(), (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(shown.Pauses().size(), 5u);
  EXPECT_TRUE(shown.OkEnabled());
  const std::string classes =
      "\t" + install_.ModuleFile("nametab.clock") + "\t" + run.paths.NametabPath() + "\n";
  const std::string messages =
      "\t" + install_.ModuleFile("english.clock") + "\t" + run.paths.MessagePath() + "\n";
  EXPECT_EQ(ReadText(logPath), "Regist Class: ClockPad" + classes + "Regist Class: AlarmClockPad" +
                                   classes + "Finish" + classes + "User's Datatype\t" +
                                   install_.ModuleFile("userdef.clock") + "\t" +
                                   run.paths.UserdefPath() + "\n" + "User's Message" + messages +
                                   "Setup Completed" + messages);
}

TEST_F(SetupRunTest, ReinstallUpdatesInPlace) {
  ASSERT_EQ(Run(install_.InFolder() + "clock").exitCode, kExitCompleted);
  WriteText(install_.ModuleFile("nametab.clock"), ";;;Clock;\nClockPad \"new\"\n");
  Outcome outcome = Run(install_.InFolder() + "-add clock");
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_EQ(ReadText(install_.Nametab()),
            ";;;Base;\n"
            "BasePad \"b1\" \"b2\"\n"
            ";;;Clock;\n"
            "OldClock      \"o1\"\n"
            "ClockPad      \"new\" \"c2\"\n"
            "AlarmClockPad \"a1\"\n");
  EXPECT_EQ(ReadText(install_.Userdef()), kUserdefAfterInstall);
  // The module's comment comes again; its message does not.
  EXPECT_EQ(ReadText(install_.Messages()),
            std::string(kInstalledMessages) + kModuleMessages + "# clock messages\n");
}

TEST_F(SetupRunTest, RemovalTouchesOnlyTheClassList) {
  ASSERT_EQ(Run(install_.InFolder() + "clock").exitCode, kExitCompleted);
  std::string userdef = ReadWholeFile(install_.Userdef());
  std::string messages = ReadWholeFile(install_.Messages());

  Outcome outcome = Run("-del " + install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_EQ(outcome.statusTexts,
            (std::vector<std::string>{"Delete Class: ClockPad", "Delete Class: AlarmClockPad",
                                      "Finish", "Unsetup Completed"}));
  EXPECT_TRUE(outcome.okEnabled);
  EXPECT_EQ(ReadText(install_.Nametab()),
            ";;;Base;\nBasePad \"b1\" \"b2\"\n;;;Clock;\nOldClock \"o1\"\n");
  EXPECT_EQ(ReadWholeFile(install_.Userdef()), userdef);
  EXPECT_EQ(ReadWholeFile(install_.Messages()), messages);
}

TEST_F(SetupRunTest, LinesOutsideAnySectionChangeNothing) {
  WriteText(install_.ModuleFile("nametab.clock"), "A \"1\"\nB \"2\"\n");
  Outcome outcome = Run(install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_EQ(outcome.statusTexts[0], "A");
  EXPECT_EQ(outcome.statusTexts[1], "AB");
  EXPECT_EQ(ReadText(install_.Nametab()),
            ";;;Base;\nBasePad \"b1\" \"b2\"\n;;;Clock;\nOldClock \"o1\"\n");
}

TEST_F(SetupRunTest, AnEmptyModuleClassListStillGoesOn) {
  WriteText(install_.ModuleFile("nametab.clock"), "");
  Outcome outcome = Run(install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_TRUE(outcome.progress.empty());
  EXPECT_EQ(outcome.statusTexts, (std::vector<std::string>{"Finish", "User's Datatype",
                                                           "User's Message", "Setup Completed"}));
  EXPECT_EQ(ReadText(install_.Userdef()), kUserdefAfterInstall);
}

TEST_F(SetupRunTest, AMissingModuleClassListChangesNothing) {
  std::vector<std::string> before = Snapshot();
  Outcome outcome = Run(install_.InFolder() + "nosuchmodule");
  EXPECT_EQ(outcome.exitCode, kExitFileNotFound);
  EXPECT_EQ(outcome.statusTexts, std::vector<std::string>{"File not found"});
  EXPECT_EQ(outcome.status, "File not found");
  EXPECT_TRUE(outcome.okEnabled);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(SetupRunTest, AMissingInstallationChangesNothing) {
  ASSERT_TRUE(install_.Values().Remove(kAppPathsKey, ""));
  std::vector<std::string> before = Snapshot();
  Outcome outcome = Run(install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitFileNotFound);
  EXPECT_EQ(outcome.status, "File not found");
  EXPECT_TRUE(outcome.okEnabled);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(ReadText(install_.ModuleFile("nametab.clock")), kModuleNametab);
}

TEST_F(SetupRunTest, AReadOnlyInstallationKeepsItsFilesAndReportsTheFailure) {
  std::vector<std::string> before = Snapshot();
  if (!MakeReadOnlyDirectory(install_.Root())) {
    MakeWritableDirectory(install_.Root());
    GTEST_SKIP() << "read-only directories are not enforced here (root, or Windows); "
                    "InstallationGoneBeforeTheWrite covers the failure path";
  }
  Outcome outcome = Run(install_.InFolder() + "clock");
  MakeWritableDirectory(install_.Root());
  EXPECT_EQ(outcome.exitCode, kExitCannotWrite);
  EXPECT_EQ(outcome.statusTexts.back(), "Cannot write file");
  EXPECT_EQ(outcome.status, "Cannot write file");
  EXPECT_TRUE(outcome.okEnabled);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(SetupRunTest, InstallationGoneBeforeTheWrite) {
  // The installation's folder moves away after the class list was read, so
  // the new class list cannot be written next to it.
  const std::string moved = install_.Root() + " moved";
  std::vector<std::string> before = Snapshot();
  Outcome outcome = Run(install_.InFolder() + "clock", Language::kEnglish, [&](int pause) {
    if (pause == 1) fs::rename(install_.Root(), moved);
  });
  EXPECT_EQ(outcome.exitCode, kExitCannotWrite);
  EXPECT_EQ(outcome.statusTexts,
            (std::vector<std::string>{"Regist Class: ClockPad", "Regist Class: AlarmClockPad",
                                      "Cannot write file"}));
  EXPECT_EQ(outcome.status, "Cannot write file");
  EXPECT_TRUE(outcome.okEnabled);
  EXPECT_FALSE(FileExists(install_.Root()));
  EXPECT_EQ(ReadWholeFile(JoinPath({moved, "nametab.lst"})), before[0]);
  EXPECT_EQ(ReadWholeFile(JoinPath({moved, "userdef.lst"})), before[1]);
  EXPECT_EQ(ListDirectory(moved), "nametab.lst userdef.lst");
  // The run ended there: the message file was not touched either.
  EXPECT_EQ(ReadWholeFile(install_.Messages()), before[2]);
}

TEST_F(SetupRunTest, AMessageFileThatCannotBeWrittenIsReported) {
  fs::remove_all(JoinPath({install_.UserDir(), "Message"}));
  Outcome outcome = Run(install_.InFolder() + "clock");
  EXPECT_EQ(outcome.exitCode, kExitCannotWrite);
  EXPECT_EQ(outcome.statusTexts.back(), "Cannot write file");
  EXPECT_EQ(outcome.status, "Cannot write file");
  EXPECT_TRUE(outcome.okEnabled);
  // The steps before it did their work.
  EXPECT_EQ(ReadText(install_.Nametab()), kNametabAfterInstall);
  EXPECT_EQ(ReadText(install_.Userdef()), kUserdefAfterInstall);
  EXPECT_EQ(ListDirectory(install_.UserDir()), "");
}

TEST_F(SetupRunTest, JapaneseRunShowsJapaneseTextsAndUsesTheJapaneseMessageFile) {
  Outcome outcome = Run(install_.InFolder() + "clock", Language::kJapanese);
  auto ja = [](int id) { return std::string(LoadText(id, Language::kJapanese)); };
  EXPECT_EQ(outcome.exitCode, kExitCompleted);
  EXPECT_EQ(
      outcome.statusTexts,
      (std::vector<std::string>{
          ja(kTextRegistClass) + "ClockPad", ja(kTextRegistClass) + "AlarmClockPad",
          ja(kTextFinish), ja(kTextUserDatatype), ja(kTextUserMessage), ja(kTextSetupCompleted)}));
  EXPECT_EQ(ReadText(install_.Messages("japanese")),
            std::string(kInstalledMessages) + "# japanese\nClockPad:Alarm:J\n");
  EXPECT_EQ(ReadText(install_.Messages()), kInstalledMessages);

  Outcome removal = Run("-del " + install_.InFolder() + "nosuchmodule", Language::kJapanese);
  EXPECT_EQ(removal.status, ja(kTextFileNotFound));

  fs::remove_all(JoinPath({install_.UserDir(), "Message"}));
  Outcome failed = Run(install_.InFolder() + "clock", Language::kJapanese);
  EXPECT_EQ(failed.status, ja(kTextCannotWrite));
}

}  // namespace
}  // namespace setup
