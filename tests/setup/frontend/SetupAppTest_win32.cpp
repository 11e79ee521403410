// The Windows program start: the splash picture, the wait, and the dialog
// that shows the run and ends with OK.
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "SetupTestSupport.h"
#include "WindowTestSupport.h"
#include "setup/frontend/SetupApp.h"
#include "setup/frontend/SetupResources.h"
#include "setup/frontend/SplashWindow.h"

namespace setup {
namespace {

constexpr int kSplashWidth = 320;
constexpr int kSplashHeight = 400;

// Runs this thread's messages until `condition` holds or `milliseconds` have
// passed; true when it holds.
bool PumpUntil(const std::function<bool()>& condition, unsigned int milliseconds) {
  unsigned long long end = Now() + milliseconds;
  while (!condition()) {
    if (Now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

std::vector<HWND> Splashes() {
  return VisibleWindowsOf(GetCurrentProcessId(), SplashWindow::kWindowClass);
}

// The splash picture's pixels as the program's resources hold them.
std::vector<std::uint32_t> SplashPicture() {
  HBITMAP picture =
      static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(MKINSTALL_SPLASH),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  std::vector<std::uint32_t> pixels(kSplashWidth * kSplashHeight);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSplashWidth;
  info.bmiHeader.biHeight = -kSplashHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, picture, 0, kSplashHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(picture);
  if (rows != kSplashHeight) pixels.clear();
  for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

TEST(SplashWindowTest, ShowsThePictureCentredUntilItsTimerEndsIt) {
  const unsigned long long start = Now();
  SplashWindow::Show(GetModuleHandleA(nullptr));
  SplashWindow::Show(GetModuleHandleA(nullptr));  // one is up: no second one
  std::vector<HWND> splashes = Splashes();
  ASSERT_EQ(splashes.size(), 1u);
  HWND splash = splashes[0];

  RECT bounds;
  GetWindowRect(splash, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, kSplashWidth);
  EXPECT_EQ(bounds.bottom - bounds.top, kSplashHeight);
  EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - kSplashWidth) / 2);
  EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - kSplashHeight) / 2);
  EXPECT_EQ(GetWindowLongA(splash, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);

  // On the screen at once, before this thread looks at its messages.
  Screenshot shot = CaptureWindow(splash);
  EXPECT_TRUE(shot.pixels == SplashPicture()) << "the screen does not show the picture";
  ASSERT_TRUE(SaveScreenshot(shot, "splash"));
  int width = 0;
  int height = 0;
  ASSERT_TRUE(PngSize("screenshots\\splash.png", &width, &height));
  EXPECT_EQ(width, kSplashWidth);
  EXPECT_EQ(height, kSplashHeight);

  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(splash); }, 3000));
  const unsigned long long shown = Now() - start;
  EXPECT_GE(shown, SplashWindow::kShowTime - 20);
  EXPECT_LE(shown, SplashWindow::kShowTime + 800);
  // Gone for good: another may be shown now.
  SplashWindow::Show(GetModuleHandleA(nullptr));
  EXPECT_EQ(Splashes().size(), 1u);
  EXPECT_TRUE(PumpUntil([] { return Splashes().empty(); }, 3000));
}

// What a user watching the program start saw, moment by moment.
struct StartSeen {
  bool splashSeen = false;
  RECT splashBounds = {};
  unsigned long long splashGoneAt = 0;  // after the start, in milliseconds
  unsigned long long dialogAt = 0;
  std::wstring status;  // when OK became usable
  bool clicked = false;
};

class SetupAppTest : public testing::Test {
 protected:
  // Starts the program's run of `commandLine` on this thread with the
  // resources of `resources`, while another thread watches the screen and
  // presses OK once it can be used. Returns the exit status.
  int Start(HINSTANCE resources, const std::string& commandLine) {
    SetupApp app(resources, Language::kEnglish);
    SetupRun run(commandLine, app.RunFrontEnd(), Language::kEnglish);
    const unsigned long long start = Now();
    const DWORD process = GetCurrentProcessId();
    const DWORD uiThread = GetCurrentThreadId();
    std::thread watcher([&] {
      HWND dialog = nullptr;
      WaitUntil(
          [&] {
            std::vector<HWND> splashes = VisibleWindowsOf(process, SplashWindow::kWindowClass);
            if (!splashes.empty() && !seen_.splashSeen) {
              seen_.splashSeen = true;
              GetWindowRect(splashes[0], &seen_.splashBounds);
            }
            if (seen_.splashSeen && splashes.empty() && seen_.splashGoneAt == 0) {
              seen_.splashGoneAt = Now() - start;
            }
            for (HWND window : VisibleWindowsOf(process, "#32770")) {
              if (TextOf(window) == L"mkinstall V1.01") dialog = window;
            }
            if (dialog != nullptr && seen_.dialogAt == 0) seen_.dialogAt = Now() - start;
            return dialog != nullptr && (!seen_.splashSeen || seen_.splashGoneAt != 0);
          },
          10000);
      if (WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 10000)) {
        seen_.status = ItemText(dialog, MKINSTALL_STATUS);
        seen_.clicked = PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0) != FALSE;
      }
      // A dialog that never became usable is a failure; end it anyway.
      if (!seen_.clicked) PostThreadMessageA(uiThread, WM_QUIT, 0, 0);
    });
    int status = app.ShowRun(&run);
    watcher.join();
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return status;
  }

  std::string MissingModule() { return install_.InFolder() + "nosuchmodule"; }

  TestInstallation install_;
  StartSeen seen_;
};

TEST_F(SetupAppTest, SplashThenAfterTheWaitTheDialogUntilOk) {
  EXPECT_EQ(Start(GetModuleHandleA(nullptr), MissingModule()), kExitFileNotFound);
  EXPECT_TRUE(seen_.splashSeen);
  EXPECT_EQ(seen_.splashBounds.right - seen_.splashBounds.left, kSplashWidth);
  EXPECT_GE(seen_.dialogAt, SetupApp::kSplashWait);
  EXPECT_GE(seen_.splashGoneAt, SplashWindow::kShowTime - 20);
  EXPECT_LE(seen_.splashGoneAt, SplashWindow::kShowTime + 800);
  EXPECT_TRUE(seen_.clicked);
  EXPECT_EQ(seen_.status, L"File not found");
}

TEST_F(SetupAppTest, WithoutThePictureOnlyTheDialogAfterTheSameWait) {
  // The dialog's resources alone, as a program without the splash picture
  // would carry them.
  HMODULE withoutPicture = LoadLibraryA("setup_test_resources_without_splash.dll");
  ASSERT_NE(withoutPicture, nullptr);
  ASSERT_EQ(FindResourceA(withoutPicture, MAKEINTRESOURCEA(MKINSTALL_SPLASH), RT_BITMAP), nullptr);
  EXPECT_EQ(Start(withoutPicture, MissingModule()), kExitFileNotFound);
  FreeLibrary(withoutPicture);
  EXPECT_FALSE(seen_.splashSeen);
  EXPECT_GE(seen_.dialogAt, SetupApp::kSplashWait);
  EXPECT_TRUE(seen_.clicked);
  EXPECT_EQ(seen_.status, L"File not found");
}

}  // namespace
}  // namespace setup
