// The built mkinstall program itself: its exit codes and the files it leaves.
// (ProgramTest_win32.cpp runs the Windows program.)
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"

namespace {

namespace fs = std::filesystem;

class ProgramTest : public testing::Test {
 protected:
  void SetUp() override { install_.WriteSmallModule(); }

  // Runs the program with `arguments` (shell syntax) in language `locale`,
  // without a terminal; returns its exit code and keeps what it printed.
  int RunProgram(const std::string& arguments, const std::string& locale = "C") {
    return Shell("LC_ALL=" + locale + " exec '" MKINSTALL_PROGRAM "' " + arguments);
  }

  // Runs `commands` in a shell of its own, as RunProgram runs the program.
  int Shell(const std::string& commands) {
    std::string outputPath = install_.Scratch().File("output.txt");
    std::string command = "(" + commands + ") </dev/null >'" + outputPath + "' 2>&1";
    int status = std::system(command.c_str());
    output_ = ReadText(outputPath);
    fs::remove(outputPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string InFolder() const { return "-in '" + install_.ModuleDir() + "' "; }

  TestInstallation install_;
  std::string output_;
};

TEST_F(ProgramTest, InstallsAModule) {
  EXPECT_EQ(RunProgram(InFolder() + "clock"), 0) << output_;
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n");
  EXPECT_EQ(ReadText(install_.Userdef()), "Color\t\tred\nAngle\t\t90\n");
  EXPECT_EQ(ReadText(install_.Messages()), "# platform\nClockPad:Alarm:Wake up\n");
  EXPECT_EQ(ListDirectory(install_.Root()), "nametab.lst userdef.lst");
  EXPECT_NE(output_.find("Regist Class: ClockPad\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Setup Completed\n"), std::string::npos) << output_;
  EXPECT_EQ(output_.find("Press Enter"), std::string::npos) << output_;
}

TEST_F(ProgramTest, RemovesAModuleInJapanese) {
  WriteText(install_.Nametab(), ";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n");
  EXPECT_EQ(RunProgram("-del " + InFolder() + "clock", "ja_JP.UTF-8"), 0) << output_;
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");
  EXPECT_EQ(ReadText(install_.Userdef()), "Color red\n");
  EXPECT_NE(output_.find(u8"アンセットアップ終了"), std::string::npos) << output_;
}

TEST_F(ProgramTest, ExitCodesTellFailuresApart) {
  EXPECT_EQ(RunProgram(InFolder() + "nosuchmodule"), 2);
  EXPECT_NE(output_.find("File not found"), std::string::npos) << output_;
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");

  fs::remove_all(JoinPath({install_.UserDir(), "Message"}));
  EXPECT_EQ(RunProgram(InFolder() + "clock"), 3);
  EXPECT_NE(output_.find("Cannot write file"), std::string::npos) << output_;
  EXPECT_EQ(output_.find("Setup Completed"), std::string::npos) << output_;
}

TEST_F(ProgramTest, QuietPrintsNothingWaitsForNothingAndLogsEveryStatus) {
  // Eight class lines: shown, the run would pause more than five seconds.
  std::string module = ";;;Clock;\n";
  for (int i = 1; i <= 8; ++i) module += "ClockPa" + std::to_string(i) + " \"c\"\n";
  WriteText(install_.ModuleFile("nametab.clock"), module);
  std::string log = install_.Scratch().File("run log.txt");

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunProgram("-quiet -log '" + log + "' " + InFolder() + "clock"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(output_, "");
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n" + module.substr(10));
  std::string logged = ReadText(log);
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 12);
  EXPECT_EQ(logged.find("Regist Class: ClockPa1\t" + install_.ModuleFile("nametab.clock") + "\t" +
                        install_.Nametab() + "\n"),
            0u)
      << logged;

  // Japanese texts reach the log as UTF-8; a failure shows in the status alone.
  EXPECT_EQ(RunProgram("-quiet -log '" + log + "' " + InFolder() + "nosuchmodule", "ja_JP.UTF-8"),
            2);
  EXPECT_EQ(output_, "");
  EXPECT_EQ(ReadText(log), u8"ファイルが見つかりませんでした。\t\t\n");
}

TEST_F(ProgramTest, ALogThatCannotBeWrittenStopsTheRunBeforeItStarts) {
  std::string nametab = ReadText(install_.Nametab());
  EXPECT_EQ(RunProgram("-log '" + install_.Scratch().File("no/such/dir/log") + "' " + InFolder() +
                       "clock"),
            1);
  EXPECT_NE(output_.find("cannot write the log"), std::string::npos) << output_;
  EXPECT_EQ(RunProgram("-log"), 1);
  EXPECT_NE(output_.find("-log needs"), std::string::npos) << output_;
  EXPECT_EQ(ReadText(install_.Nametab()), nametab);
}

TEST_F(ProgramTest, HelpNamesTheExitCodes) {
  EXPECT_EQ(RunProgram("--help"), 0);
  EXPECT_NE(output_.find("Usage: mkinstall [-quiet] [-log FILE]"), std::string::npos);
  EXPECT_NE(output_.find("Exit status"), std::string::npos);
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");
}

TEST_F(ProgramTest, ARunStoppedAtAnyWriteStepLeavesEachFileOldOrNew) {
  CheckRunsStoppedAtEveryWriteStep(
      install_,
      [&](int step, const std::string& arguments) {
        return Shell("exec '" STOP_AT_WRITE_STEP_PROGRAM "' " + std::to_string(step) + " " +
                     arguments);
      },
      [&](const std::string& arguments) { return RunProgram("-quiet " + arguments); });
}

// A file that outgrows the room left (a file-size limit stands in for a full
// disk) is not replaced; the files written before it are, and the status
// says that a file could not be written.
TEST_F(ProgramTest, ARunOutOfRoomLeavesEachFileOldOrNewAndSaysSo) {
  const InstallationFiles before = ReadFiles(install_);
  WriteText(install_.ModuleFile("english.clock"), "Long:Message:" + std::string(5000, 'm') + "\n");
  const struct {
    int blocks;  // of the file-size limit
    bool classesWritten;
  } cases[] = {{0, false}, {2, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocks);
    WriteFiles(install_, before);
    EXPECT_EQ(Shell("ulimit -f " + std::to_string(c.blocks) + "; trap '' XFSZ; LC_ALL=C exec '" +
                    MKINSTALL_PROGRAM "' -quiet " + InFolder() + "clock"),
              3);
    InstallationFiles now = ReadFiles(install_);
    EXPECT_EQ(now.nametab != before.nametab, c.classesWritten);
    EXPECT_EQ(now.userdef != before.userdef, c.classesWritten);
    EXPECT_EQ(now.messages, before.messages);
    EXPECT_EQ(install_.Listing(), "nametab.lst userdef.lst|english.mkrc japanese.mkrc");
  }
}

}  // namespace
