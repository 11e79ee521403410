#include "setup/frontend/SplashWindow.h"

#include "setup/frontend/SetupResources.h"

namespace setup {

namespace {

constexpr UINT_PTR kTimer = 1;

ATOM RegisterSplashClass(WNDPROC windowProc) {
  static ATOM atom = 0;
  if (atom == 0) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = SplashWindow::kWindowClass;
    atom = RegisterClassA(&windowClass);
  }
  return atom;
}

BOOL CALLBACK RepaintWindow(HWND window, LPARAM) {
  UpdateWindow(window);
  return TRUE;
}

}  // namespace

SplashWindow* SplashWindow::live_ = nullptr;

SplashWindow::~SplashWindow() { DeleteObject(picture_); }

void SplashWindow::Show(HINSTANCE resources) {
  if (live_ != nullptr || RegisterSplashClass(WindowProc) == 0) return;
  HBITMAP picture = LoadBitmapA(resources, MAKEINTRESOURCEA(MKINSTALL_SPLASH));
  if (picture == nullptr) return;
  BITMAP size = {};
  GetObjectA(picture, sizeof size, &size);
  SplashWindow* splash = new SplashWindow(picture);
  // Made at 0,0 and centred on creation.
  HWND window = CreateWindowExA(0, kWindowClass, "", WS_POPUP | WS_VISIBLE, 0, 0, size.bmWidth,
                                size.bmHeight, nullptr, nullptr, GetModuleHandleA(nullptr), splash);
  if (window == nullptr) {
    delete splash;
    return;
  }
  // From here the window owns the object and deletes it when it goes.
  splash->adopted_ = true;
  // Painted at once: the thread may not look at its messages for a while.
  UpdateWindow(window);
}

LRESULT CALLBACK SplashWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SplashWindow* splash = reinterpret_cast<SplashWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      splash = static_cast<SplashWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(splash));
      live_ = splash;
      break;
    }
    case WM_CREATE: {
      RECT bounds;
      GetWindowRect(window, &bounds);
      int width = bounds.right - bounds.left;
      int height = bounds.bottom - bounds.top;
      SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetTimer(window, kTimer, kShowTime, nullptr);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC target = BeginPaint(window, &paint);
      if (splash != nullptr) splash->Paint(target);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTimer) {
        KillTimer(window, kTimer);
        DestroyWindow(window);
        EnumThreadWindows(GetCurrentThreadId(), RepaintWindow, 0);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      live_ = nullptr;
      if (splash != nullptr && splash->adopted_) delete splash;
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void SplashWindow::Paint(HDC target) {
  HDC source = CreateCompatibleDC(target);
  HGDIOBJ previous = SelectObject(source, picture_);
  BITMAP size = {};
  GetObjectA(picture_, sizeof size, &size);
  BitBlt(target, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace setup
