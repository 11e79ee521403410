// The progress dialog in its two languages, driven by a scripted run on its
// worker thread the way the setup run drives it. The script only observes
// and records (the test's assertions run on the test's own thread once the
// dialog is gone); a user's keys and commands are posted to the dialog.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "setup/texts/JapaneseTexts.h"
#include "setup/frontend/SetupDialog.h"
#include "setup/frontend/SetupResources.h"

namespace setup {
namespace {

// A control of the template: its id, class, text and place in dialog units.
struct Control {
  int id;
  const char* windowClass;
  std::wstring text;
  RECT units;  // x, y, width and height, as the template gives them
};

std::vector<Control> TemplateControls(Language language) {
  const bool japanese = language == Language::kJapanese;
  const int okLeft = japanese ? 58 : 60;
  const std::wstring notice = L"Bazaro project \x2014 pad module setup";
  return {
      {IDOK, "Button", L"OK", {okLeft, 71, 50, 14}},
      {MKINSTALL_SOURCE, "Static", L"", {35, 10, 127, 8}},
      {MKINSTALL_DESTINATION, "Static", L"", {35, 25, 127, 8}},
      {MKINSTALL_PROGRESS, "msctls_progress32", L"Progress1", {10, 60, 148, 8}},
      {MKINSTALL_STATUS, "Static", L"", {10, 40, 150, 8}},
      {-1, "Static", japanese ? L"\x8EE2\x9001\x5143:" : L"Src:", {10, 10, 25, 8}},
      {-1, "Static", japanese ? L"\x8EE2\x9001\x5148:" : L"Dest:", {10, 25, 25, 8}},
      {-1, "Static", notice, {13, 92, 144, 13}},
  };
}

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
  std::vector<RECT> places;  // each expected control's place, in this dialog's pixels
  RECT client = {};          // the client area
  RECT clientPlace = {};     // 170 by 113 dialog units, in pixels
  SIZE window = {};          // the whole window, frame and caption included
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
    for (const Control& control : TemplateControls(GetParam())) {
      // Mapped as the dialog manager maps them: place and size each.
      RECT place = control.units;
      MapDialogRect(dialog, &place);
      record_.places.push_back(
          {place.left, place.top, place.left + place.right, place.top + place.bottom});
    }
    GetClientRect(dialog, &record_.client);
    record_.clientPlace = {0, 0, 170, 113};
    MapDialogRect(dialog, &record_.clientPlace);
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
  EXPECT_EQ(record_.client.right, record_.clientPlace.right);
  EXPECT_EQ(record_.client.bottom, record_.clientPlace.bottom);
  std::vector<Control> expected = TemplateControls(GetParam());
  ASSERT_EQ(record_.children.size(), expected.size());
  ASSERT_EQ(record_.places.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Control& control = expected[i];
    const Child& child = record_.children[i];
    EXPECT_EQ(child.id, control.id) << "control " << i;
    EXPECT_EQ(child.windowClass, control.windowClass) << "control " << control.id;
    // The labels were empty at the start; the script has filled three since.
    if (control.id == -1 || control.id == IDOK || control.id == MKINSTALL_PROGRESS) {
      EXPECT_EQ(child.text, control.text) << "control " << control.id;
    }
    const RECT& place = record_.places[i];
    EXPECT_TRUE(EqualRect(&child.bounds, &place))
        << "control " << control.id << " at " << child.bounds.left << "," << child.bounds.top << " "
        << child.bounds.right - child.bounds.left << "x" << child.bounds.bottom - child.bounds.top
        << ", template " << place.left << "," << place.top << " " << place.right - place.left << "x"
        << place.bottom - place.top;
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
