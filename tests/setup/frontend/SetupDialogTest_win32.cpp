// The progress dialog in its two languages, driven by a scripted run on its
// worker thread the way the setup run drives it. The script only observes
// and records (the test's assertions run on the test's own thread once the
// dialog is gone); a user's keys and commands are posted to the dialog.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "setup/frontend/SetupDialog.h"
#include "setup/frontend/SetupResources.h"
#include "setup/texts/JapaneseTexts.h"

namespace setup {
namespace {

// The controls the run writes to or the user presses, by id and class.
struct Control {
  int id;
  const char* windowClass;
};
constexpr Control kNamedControls[] = {
    {IDOK, "Button"},
    {MKINSTALL_SOURCE, "Static"},
    {MKINSTALL_DESTINATION, "Static"},
    {MKINSTALL_PROGRESS, "msctls_progress32"},
    {MKINSTALL_STATUS, "Static"},
};

// A child window as the test sees it.
struct Child {
  int id;
  std::string windowClass;
  std::wstring text;
  RECT bounds;  // in the dialog's client coordinates
};

// What the script saw of the dialog at one moment.
struct Observation {
  std::wstring source, destination, status;
  int progress = -1;
  bool okEnabled = false;
  bool okFocused = false;
  bool survivedAllButOk = false;  // still there after Escape, close, and OK while disabled
};

// Everything a scripted run recorded.
struct Record {
  std::wstring caption;
  std::wstring fontFace;
  std::vector<Child> children;
  RECT client = {};  // the client area
  SIZE window = {};  // the whole window, frame and caption included
  Observation running;
  Observation done;
  std::vector<std::string> screenshots;  // names of the screenshots taken
  std::vector<std::size_t> colours;      // how many colours each holds
  bool forcedToEnd = false;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  auto* children = reinterpret_cast<std::vector<Child>*>(parameter);
  HWND dialog = GetParent(window);
  Child child;
  child.id = static_cast<short>(GetDlgCtrlID(window));
  char windowClass[128] = "";
  GetClassNameA(window, windowClass, sizeof windowClass);
  child.windowClass = windowClass;
  child.text = TextOf(window);
  GetWindowRect(window, &child.bounds);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&child.bounds), 2);
  children->push_back(child);
  return TRUE;
}

class SetupDialogTest : public testing::TestWithParam<Language> {
 protected:
  const char* LanguageName() const {
    return GetParam() == Language::kJapanese ? "japanese" : "english";
  }
  std::string Text(int id) const { return LoadText(id, GetParam()); }
  // The same text in UTF-16, from the UTF-8 table.
  std::wstring WideText(int id) const {
    return GetParam() == Language::kJapanese ? Wide(kJapaneseTextsUtf8[id]) : Wide(Text(id));
  }

  // Shows the dialog on this thread with `script` as its worker, until OK
  // ends it; the script gets the dialog and its window.
  INT_PTR Run(const std::function<void(SetupDialog*, HWND)>& script) {
    struct Worker {
      SetupDialog* dialog;
      const std::function<void(SetupDialog*, HWND)>* script;
      DWORD uiThread;
      bool* forced;
    };
    SetupDialog dialog(GetModuleHandleA(nullptr), GetParam());
    Worker worker{&dialog, &script, GetCurrentThreadId(), &record_.forcedToEnd};
    INT_PTR result = dialog.RunModal(
        [](void* argument) -> unsigned long {
          Worker* w = static_cast<Worker*>(argument);
          HWND window = w->dialog->Window();
          (*w->script)(w->dialog, window);
          // A dialog still up after its script is a failure; end it anyway,
          // so that the test goes on.
          if (!WaitUntil([&] { return !IsWindow(window); }, 5000)) {
            *w->forced = true;
            PostThreadMessageA(w->uiThread, WM_QUIT, 0, 0);
          }
          return 1;
        },
        &worker);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return result;
  }

  // Tries to end the dialog short of pressing a usable OK: Escape, the close
  // command, and, while OK is disabled, Enter and the OK command itself.
  // True when the dialog is still there once they were handled.
  bool SurvivesAllButOk(HWND dialog) {
    HWND ok = GetDlgItem(dialog, IDOK);
    for (HWND target : {dialog, ok}) {
      PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    }
    if (!IsWindowEnabled(ok)) {
      PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    }
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    // The close command posts its cancel in turn: two passes.
    return fence_.Pass() && fence_.Pass() && IsWindow(dialog) && IsWindowVisible(dialog);
  }

  Observation Observe(HWND dialog, DWORD uiThread) {
    Observation seen;
    seen.source = ItemText(dialog, MKINSTALL_SOURCE);
    seen.destination = ItemText(dialog, MKINSTALL_DESTINATION);
    seen.status = ItemText(dialog, MKINSTALL_STATUS);
    seen.progress =
        static_cast<int>(SendMessageA(GetDlgItem(dialog, MKINSTALL_PROGRESS), PBM_GETPOS, 0, 0));
    seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    seen.okFocused =
        GetGUIThreadInfo(uiThread, &focus) && focus.hwndFocus == GetDlgItem(dialog, IDOK);
    seen.survivedAllButOk = SurvivesAllButOk(dialog);
    return seen;
  }

  void TakeScreenshot(HWND dialog, const std::string& state) {
    Screenshot shot = CaptureWindow(dialog);
    std::string name = std::string("dialog-") + LanguageName() + "-" + state;
    if (SaveScreenshot(shot, name)) record_.screenshots.push_back(name);
    record_.colours.push_back(shot.Colours());
  }

  MessageFence fence_;
  Record record_;
};

TEST_P(SetupDialogTest, ShowsItsTemplateRunsAndEndsOnlyWithOk) {
  if (GetParam() == Language::kJapanese) {
    ASSERT_EQ(GetACP(), 932u) << "the Japanese dialog tests run with LC_ALL=ja_JP.UTF-8";
  }
  const DWORD uiThread = GetCurrentThreadId();
  const std::string source = "C:\\Mods\\Clock\\nametab.clock";
  const std::string destination = "C:\\Mosaikon\\nametab.lst";

  INT_PTR result = Run([&](SetupDialog* frontEnd, HWND dialog) {
    record_.caption = TextOf(dialog);
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&record_.children));
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    record_.fontFace = font.lfFaceName;
    GetClientRect(dialog, &record_.client);
    RECT bounds;
    GetWindowRect(dialog, &bounds);
    record_.window = {bounds.right - bounds.left, bounds.bottom - bounds.top};

    // The run as the class step shows it, then its end.
    frontEnd->SetLabel(Label::kSource, source.c_str());
    frontEnd->SetLabel(Label::kDestination, destination.c_str());
    frontEnd->SetLabel(Label::kStatus, (Text(kTextRegistClass) + "ClockPad").c_str());
    frontEnd->SetProgress(40);
    record_.running = Observe(dialog, uiThread);
    TakeScreenshot(dialog, "running");

    frontEnd->SetProgress(100);
    frontEnd->SetLabel(Label::kStatus, Text(kTextSetupCompleted).c_str());
    frontEnd->EnableOk();
    record_.done = Observe(dialog, uiThread);
    TakeScreenshot(dialog, "done");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });

  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(record_.forcedToEnd) << "OK did not end the dialog";

  EXPECT_EQ(record_.caption, L"mkinstall V1.01");
  EXPECT_EQ(record_.fontFace, GetParam() == Language::kJapanese
                                  ? L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF"
                                  : L"MS Sans Serif");
  // Each named control once, with its class; the rest are labels, each
  // with a text of its own.
  for (const Control& control : kNamedControls) {
    int found = 0;
    for (const Child& child : record_.children) {
      if (child.id != control.id) continue;
      ++found;
      EXPECT_EQ(child.windowClass, control.windowClass) << "control " << control.id;
    }
    EXPECT_EQ(found, 1) << "control " << control.id;
  }
  std::vector<std::wstring> labels;
  for (const Child& child : record_.children) {
    if (child.id != -1) continue;
    EXPECT_EQ(child.windowClass, "Static");
    EXPECT_FALSE(child.text.empty());
    for (const std::wstring& earlier : labels) EXPECT_NE(child.text, earlier);
    labels.push_back(child.text);
  }
  EXPECT_EQ(labels.size(), 3u);
  // The Japanese template's labels come through in Japanese (a wrong code
  // page would turn them into question marks or Western letters).
  bool japaneseLabel = false;
  for (const std::wstring& label : labels) {
    for (wchar_t c : label) japaneseLabel = japaneseLabel || c >= 0x3000;
  }
  EXPECT_EQ(japaneseLabel, GetParam() == Language::kJapanese);
  // Every control is inside the window, visible, and clear of the others.
  for (std::size_t i = 0; i < record_.children.size(); ++i) {
    const RECT& place = record_.children[i].bounds;
    RECT inside;
    EXPECT_TRUE(IntersectRect(&inside, &place, &record_.client) && EqualRect(&inside, &place))
        << "control " << record_.children[i].id << " leaves the window";
    for (std::size_t j = i + 1; j < record_.children.size(); ++j) {
      // Controls that touch in dialog units may share a pixel once each
      // place and size is rounded on its own.
      RECT common;
      EXPECT_FALSE(IntersectRect(&common, &place, &record_.children[j].bounds) &&
                   (common.right - common.left > 1 && common.bottom - common.top > 1))
          << "controls " << record_.children[i].id << " and " << record_.children[j].id
          << " overlap";
    }
  }

  const std::wstring wideSource = Wide(source);
  const std::wstring wideDestination = Wide(destination);
  EXPECT_EQ(record_.running.source, wideSource);
  EXPECT_EQ(record_.running.destination, wideDestination);
  EXPECT_EQ(record_.running.status, WideText(kTextRegistClass) + L"ClockPad");
  EXPECT_EQ(record_.running.progress, 40);
  EXPECT_FALSE(record_.running.okEnabled);
  EXPECT_TRUE(record_.running.survivedAllButOk);

  EXPECT_EQ(record_.done.status, WideText(kTextSetupCompleted));
  EXPECT_EQ(record_.done.progress, 100);
  EXPECT_TRUE(record_.done.okEnabled);
  EXPECT_TRUE(record_.done.okFocused);
  EXPECT_TRUE(record_.done.survivedAllButOk);

  // The screenshots: the whole dialog, with more than a background in it.
  EXPECT_EQ(record_.screenshots.size(), 2u);
  for (const std::string& name : record_.screenshots) {
    int width = 0;
    int height = 0;
    ASSERT_TRUE(PngSize("screenshots\\" + name + ".png", &width, &height)) << name;
    EXPECT_EQ(width, record_.window.cx) << name;
    EXPECT_EQ(height, record_.window.cy) << name;
  }
  for (std::size_t colours : record_.colours) EXPECT_GT(colours, 8u);
}

INSTANTIATE_TEST_SUITE_P(Languages, SetupDialogTest,
                         testing::Values(Language::kEnglish, Language::kJapanese),
                         [](const testing::TestParamInfo<Language>& info) {
                           return info.param == Language::kJapanese ? "Japanese" : "English";
                         });

}  // namespace
}  // namespace setup
