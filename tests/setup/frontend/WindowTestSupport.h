// Helpers of the Windows front-end tests: bounded waits, reading windows of
// this and other processes, a fence for posted messages, and screenshots.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "os/WindowsUi.h"

// Polls `condition` every 10 milliseconds for at most `milliseconds`; true as
// soon as it holds.
bool WaitUntil(const std::function<bool()>& condition, unsigned int milliseconds);

// Milliseconds since some fixed moment, for measuring.
unsigned long long Now();

// A window's text (a window of any thread or process).
std::wstring TextOf(HWND window);
// A control's text in the dialog `dialog`.
std::wstring ItemText(HWND dialog, int id);
// `text` (UTF-8) in UTF-16, to compare with window texts.
std::wstring Wide(const std::string& utf8);
// The visible top-level windows of process `processId` whose class is
// `windowClass` (any, when null).
std::vector<HWND> VisibleWindowsOf(unsigned long processId, const char* windowClass = nullptr);

// Makes sure that the messages posted so far to windows of the thread that
// made the fence have been handled: a message posted after them reaches the
// fence's own window last. Made on that thread; Pass is called on others.
class MessageFence {
 public:
  MessageFence();
  ~MessageFence();
  MessageFence(const MessageFence&) = delete;
  MessageFence& operator=(const MessageFence&) = delete;

  // True when everything posted before the call has been handled (bounded
  // by two seconds).
  bool Pass();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_;
  volatile LONG passed_ = 0;
};

// A screenshot: the pixels of the screen under a window, 0x00RRGGBB.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // How many different colours it holds (1 for a blank picture).
  std::size_t Colours() const;
};

// Takes the screen under `window` once it no longer changes (what a person
// sees once painting is done; bounded by a second).
Screenshot CaptureWindow(HWND window);

// Writes `shot` as a PNG file to screenshots/<name>.png below the current
// directory (the build tree). True when written.
bool SaveScreenshot(const Screenshot& shot, const std::string& name);

// The width and height recorded in a PNG file; false when it is none.
bool PngSize(const std::string& path, int* width, int* height);
