#include "WindowTestSupport.h"

#include <cstdio>
#include <set>

#include <zlib.h>

#include "os/Thread.h"

bool WaitUntil(const std::function<bool()>& condition, unsigned int milliseconds) {
  unsigned long long end = Now() + milliseconds;
  for (;;) {
    if (condition()) return true;
    if (Now() >= end) return false;
    os::SleepMilliseconds(10);
  }
}

unsigned long long Now() { return GetTickCount64(); }

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = L"";
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::wstring Wide(const std::string& utf8) {
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

namespace {

struct WindowSearch {
  unsigned long processId;
  const char* windowClass;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  char windowClass[256] = "";
  GetClassNameA(window, windowClass, sizeof windowClass);
  if (search->windowClass == nullptr || lstrcmpiA(windowClass, search->windowClass) == 0) {
    search->found.push_back(window);
  }
  return TRUE;
}

const char kFenceClass[] = "SetupTestFence";
constexpr UINT kFenceMessage = WM_APP + 1;

}  // namespace

std::vector<HWND> VisibleWindowsOf(unsigned long processId, const char* windowClass) {
  WindowSearch search{processId, windowClass, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

MessageFence::MessageFence() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kFenceClass;
  RegisterClassA(&windowClass);  // fails harmlessly when registered already
  window_ = CreateWindowExA(0, kFenceClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), this);
}

MessageFence::~MessageFence() { DestroyWindow(window_); }

LRESULT CALLBACK MessageFence::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == kFenceMessage) {
    auto* fence = reinterpret_cast<MessageFence*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    InterlockedExchange(&fence->passed_, static_cast<LONG>(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool MessageFence::Pass() {
  static volatile LONG serial = 0;
  LONG mark = InterlockedIncrement(&serial);
  if (!PostMessageA(window_, kFenceMessage, static_cast<WPARAM>(mark), 0)) return false;
  return WaitUntil([&] { return InterlockedCompareExchange(&passed_, 0, 0) == mark; }, 2000);
}

std::size_t Screenshot::Colours() const {
  return std::set<std::uint32_t>(pixels.begin(), pixels.end()).size();
}

namespace {

Screenshot CaptureOnce(HWND window) {
  Screenshot shot;
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return shot;
  shot.width = bounds.right - bounds.left;
  shot.height = bounds.bottom - bounds.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture != nullptr) {
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, bounds.left, bounds.top, SRCCOPY);
    GdiFlush();
    const std::uint32_t* pixels = static_cast<const std::uint32_t*>(bits);
    shot.pixels.reserve(static_cast<std::size_t>(shot.width) * shot.height);
    for (int i = 0; i < shot.width * shot.height; ++i) shot.pixels.push_back(pixels[i] & 0xFFFFFF);
    SelectObject(memory, previous);
    DeleteObject(picture);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

void PutBigEndian(std::string* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string* out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out->append(body);
  PutBigEndian(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                     static_cast<uInt>(body.size()))));
}

}  // namespace

Screenshot CaptureWindow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Screenshot shot = CaptureOnce(window);
  for (int i = 0; i < 20; ++i) {
    os::SleepMilliseconds(50);
    Screenshot again = CaptureOnce(window);
    bool same = again.pixels == shot.pixels;
    shot = again;
    if (same) break;
  }
  return shot;
}

bool SaveScreenshot(const Screenshot& shot, const std::string& name) {
  CreateDirectoryA("screenshots", nullptr);
  // 8-bit RGB rows, each after its filter byte (0: none).
  std::string rows;
  rows.reserve(static_cast<std::size_t>(shot.height) * (1 + 3 * shot.width));
  for (int y = 0; y < shot.height; ++y) {
    rows.push_back('\0');
    for (int x = 0; x < shot.width; ++x) {
      std::uint32_t pixel = shot.pixels[static_cast<std::size_t>(y) * shot.width + x];
      rows.push_back(static_cast<char>(pixel >> 16));
      rows.push_back(static_cast<char>(pixel >> 8));
      rows.push_back(static_cast<char>(pixel));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()),
                9) != Z_OK) {
    return false;
  }
  packed.resize(packedSize);

  std::string header;
  PutBigEndian(&header, static_cast<std::uint32_t>(shot.width));
  PutBigEndian(&header, static_cast<std::uint32_t>(shot.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(&png, "IHDR", header);
  PutChunk(&png, "IDAT", packed);
  PutChunk(&png, "IEND", "");

  std::FILE* file = std::fopen(("screenshots\\" + name + ".png").c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

bool PngSize(const std::string& path, int* width, int* height) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char head[24];
  bool read = std::fread(head, 1, sizeof head, file) == sizeof head;
  std::fclose(file);
  if (!read || std::string(reinterpret_cast<char*>(head), 8) != "\x89PNG\r\n\x1a\n" ||
      std::string(reinterpret_cast<char*>(head) + 12, 4) != "IHDR") {
    return false;
  }
  auto at = [&](int offset) {
    return static_cast<int>(head[offset] << 24 | head[offset + 1] << 16 | head[offset + 2] << 8 |
                            head[offset + 3]);
  };
  *width = at(16);
  *height = at(20);
  return true;
}
