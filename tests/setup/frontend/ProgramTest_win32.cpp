// The built mkinstall.exe as a user or an administrator runs it, against a
// throw-away installation in the prefix's registry: through its dialog, which
// a watching thread ends with OK, and unattended.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "WindowTestSupport.h"
#include "os/LibrarySearch.h"
#include "setup/frontend/SetupResources.h"
#include "setup/run/InstallPaths.h"

namespace setup {
namespace {

// mkinstall.exe and the other programs lie beside the test program.
std::string ProgramPath(const char* name) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text = path;
  return text.substr(0, text.find_last_of('\\') + 1) + name;
}

// A running mkinstall.exe (or another program beside it).
class Program {
 public:
  explicit Program(const std::string& arguments, const char* name = "mkinstall.exe") {
    std::string commandLine = "\"" + ProgramPath(name) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = Now();
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process_)) {
      CloseHandle(process_.hThread);
    } else {
      process_.hProcess = nullptr;
    }
  }
  ~Program() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);  // a failed test leaves nothing behind
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return process_.hProcess != nullptr; }
  bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  unsigned long long Elapsed() const { return Now() - started_; }

  // The visible window of class `windowClass` captioned `caption`, waited
  // for (bounded); null when none came.
  HWND WaitForWindow(const char* windowClass, const wchar_t* caption) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          for (HWND window : VisibleWindowsOf(process_.dwProcessId, windowClass)) {
            if (TextOf(window) == caption) found = window;
          }
          return found != nullptr || !Running();
        },
        15000);
    return found;
  }
  // The run's dialog, once OK can be used; null when that did not come.
  HWND WaitForDone() {
    HWND dialog = WaitForWindow("#32770", L"mkinstall V1.01");
    if (dialog == nullptr ||
        !WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 15000)) {
      return nullptr;
    }
    return dialog;
  }
  // True when any window of the program was visible (checked until it ends).
  bool ShowedAWindowUntilItEnded() {
    bool shown = false;
    WaitUntil(
        [&] {
          if (!VisibleWindowsOf(process_.dwProcessId).empty()) shown = true;
          return !Running();
        },
        15000);
    return shown;
  }
  // The exit status, waited for (bounded); -1 when it did not end.
  int ExitStatus() {
    DWORD status = 0;
    if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.hProcess, &status)) {
      return -1;
    }
    return static_cast<int>(status);
  }

 private:
  PROCESS_INFORMATION process_ = {};
  unsigned long long started_ = 0;
};

class WindowsProgramTest : public testing::Test {
 protected:
  void SetUp() override { install_.WriteSmallModule(); }

  std::string LogOption() const { return "-log \"" + log_ + "\" "; }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::string text = ReadText(log_);
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  TestInstallation install_;
  std::string log_ = install_.Scratch().File("run log.txt");
};

TEST_F(WindowsProgramTest, InstallsThroughTheDialogAndLogsEveryStatus) {
  Program program(LogOption() + install_.InFolder() + "clock");
  ASSERT_TRUE(program.Started());
  HWND dialog = program.WaitForDone();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ItemText(dialog, MKINSTALL_STATUS), L"Setup Completed");
  EXPECT_TRUE(program.Running()) << "the program waits for OK";
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0);

  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n");
  EXPECT_EQ(ReadText(install_.Userdef()), "Color\t\tred\nAngle\t\t90\n");
  EXPECT_EQ(ReadText(install_.Messages()), "# platform\nClockPad:Alarm:Wake up\n");

  InstallPaths paths(Language::kEnglish);
  const std::string classes =
      "\t" + install_.ModuleFile("nametab.clock") + "\t" + paths.NametabPath();
  const std::string messages =
      "\t" + install_.ModuleFile("english.clock") + "\t" + paths.MessagePath();
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"Regist Class: ClockPad" + classes, "Finish" + classes,
                                      "User's Datatype\t" + install_.ModuleFile("userdef.clock") +
                                          "\t" + paths.UserdefPath(),
                                      "User's Message" + messages, "Setup Completed" + messages}));
}

TEST_F(WindowsProgramTest, RemovesThroughTheDialog) {
  WriteText(install_.Nametab(), ";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n");
  Program program("-del " + install_.InFolder() + "clock");
  HWND dialog = program.WaitForDone();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ItemText(dialog, MKINSTALL_STATUS), L"Unsetup Completed");
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0);
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");
  EXPECT_EQ(ReadText(install_.Userdef()), "Color red\n");
}

TEST_F(WindowsProgramTest, QuietShowsNothingWaitsForNothingAndEndsWithTheStatus) {
  // Eight class lines: shown, the run would pause more than five seconds.
  std::string module = ";;;Clock;\n";
  for (int i = 1; i <= 8; ++i) module += "ClockPa" + std::to_string(i) + " \"p\"\n";
  WriteText(install_.ModuleFile("nametab.clock"), module);

  Program program("-quiet " + LogOption() + install_.InFolder() + "clock");
  ASSERT_TRUE(program.Started());
  EXPECT_FALSE(program.ShowedAWindowUntilItEnded());
  EXPECT_EQ(program.ExitStatus(), 0);
  EXPECT_LT(program.Elapsed(), 4000u);  // shown, it would take more than six seconds
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n" + module.substr(10));
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 12u);  // eight classes, Finish, user types, messages, the end
  EXPECT_EQ(lines[0].substr(0, lines[0].find('\t')), "Regist Class: ClockPa1");
  EXPECT_EQ(lines[11].substr(0, lines[11].find('\t')), "Setup Completed");

  // A failure shows in the status alone, and changes nothing.
  std::string nametab = ReadText(install_.Nametab());
  Program failing("-quiet " + install_.InFolder() + "nosuchmodule");
  EXPECT_FALSE(failing.ShowedAWindowUntilItEnded());
  EXPECT_EQ(failing.ExitStatus(), 2);
  EXPECT_EQ(ReadText(install_.Nametab()), nametab);
}

TEST_F(WindowsProgramTest, HelpShowsTheUsageInAMessageBox) {
  Program program("--help");
  HWND box = program.WaitForWindow("#32770", L"mkinstall");
  ASSERT_NE(box, nullptr);
  std::wstring texts;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    texts += TextOf(child) + L"\n";
  }
  EXPECT_NE(texts.find(L"Usage: mkinstall [-quiet] [-log FILE]"), std::wstring::npos);
  EXPECT_NE(texts.find(L"Exit status"), std::wstring::npos);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(program.ExitStatus(), 0);
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");
}

// Replacing a file by renaming over it, as Windows does it: a run stopped at
// any step of its writes leaves each file old or new.
TEST_F(WindowsProgramTest, ARunStoppedAtAnyWriteStepLeavesEachFileOldOrNew) {
  CheckRunsStoppedAtEveryWriteStep(
      install_,
      [&](int step, const std::string& arguments) {
        return Program(std::to_string(step) + " " + arguments, "mkinstall_stop_at_write_step.exe")
            .ExitStatus();
      },
      [&](const std::string& arguments) { return Program("-quiet " + arguments).ExitStatus(); });
}

// A full disk is not tried here: a file-size limit would have to be set on
// the Wine process from outside it, and Wine gives no other way to fill one.

// Run in a Japanese process (LC_ALL=ja_JP.UTF-8): the user's language picks
// the dialog and its texts, and the log holds them in UTF-8.
TEST_F(WindowsProgramTest, JapaneseUserGetsTheJapaneseDialog) {
  ASSERT_EQ(GetUserDefaultUILanguage(), MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));
  WriteText(install_.Nametab(), ";;;Clock;\nOldClock \"o\"\nClockPad \"c\"\n");
  Program program(LogOption() + "-del " + install_.InFolder() + "clock");
  HWND dialog = program.WaitForDone();
  ASSERT_NE(dialog, nullptr);
  std::wstring labels;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    labels += TextOf(child) + L"|";
  }
  EXPECT_NE(labels.find(L"\x8EE2\x9001\x5143:|"), std::wstring::npos) << "no Japanese Src label";
  EXPECT_EQ(ItemText(dialog, MKINSTALL_STATUS), Wide(u8"アンセットアップ終了"));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0);
  EXPECT_EQ(ReadText(install_.Nametab()), ";;;Clock;\nOldClock \"o\"\n");
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, lines[0].find('\t')), u8"削除中のクラス: ClockPad");
  EXPECT_EQ(lines[2].substr(0, lines[2].find('\t')), u8"アンセットアップ終了");
}

// What mkinstall does first: once the search is restricted, a library that
// lies only beside the program is no longer found by plain name. Each load
// runs in a child process, since the restriction holds for a whole process.
TEST(ProgramLibrarySearchDeathTest, ALibraryBesideTheProgramIsNotFoundOnceRestricted) {
  auto load = [](bool restricted) {
    if (restricted && !os::RestrictLibrarySearch()) std::_Exit(2);
    std::_Exit(LoadLibraryA("setup_test_resources_without_splash.dll") != nullptr ? 0 : 1);
  };
  EXPECT_EXIT(load(false), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(load(true), testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace setup
