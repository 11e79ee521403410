// The splash window of mkinstall on Windows: the splash picture, borderless
// and centred on the screen, for 700 milliseconds.
//
// The window lives on the thread that shows it and goes by itself on its
// timer, which that thread's message loop drives; it then repaints the
// thread's other windows at once, so the dialog under it is whole. Only one
// splash is shown at a time.
#pragma once

#include "os/WindowsUi.h"

namespace setup {

class SplashWindow {
 public:
  // The window class of the splash, for finding it.
  static constexpr const char* kWindowClass = "MkinstallSplash";
  // How long the splash stays, in milliseconds.
  static constexpr unsigned int kShowTime = 700;

  // Shows the splash picture of `resources` (bitmap MKINSTALL_SPLASH), unless
  // a splash is shown already. Without the picture, or when no window can be
  // made, nothing is shown and nothing else changes.
  static void Show(HINSTANCE resources);

  SplashWindow(const SplashWindow&) = delete;
  SplashWindow& operator=(const SplashWindow&) = delete;

 private:
  explicit SplashWindow(HBITMAP picture) : picture_(picture) {}
  ~SplashWindow();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);

  static SplashWindow* live_;  // the splash on the screen, or null
  HBITMAP picture_;
  bool adopted_ = false;  // the window deletes the object when it goes
};

}  // namespace setup
