// From the ANSI code page to UTF-8, through UTF-16.
#include "os/TextEncoding.h"

#include <climits>

#include "os/WindowsApi.h"

namespace os {

bool JapaneseTextIsCp932() { return true; }

std::string SystemTextToUtf8(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX / 4) return std::string();
  int length = static_cast<int>(text.size());
  int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], wideLength);
  int utf8Length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (utf8Length <= 0) return std::string();
  std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr, nullptr);
  return utf8;
}

}  // namespace os
