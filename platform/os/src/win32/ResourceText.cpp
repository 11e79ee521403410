#include "os/ResourceText.h"

#include "os/WindowsApi.h"

namespace os {

namespace {

constexpr UINT kCp932 = 932;
constexpr UINT kWindowsLatin1 = 1252;

}  // namespace

// A string table resource holds its strings in blocks of sixteen: block
// id / 16 + 1 has, for each of its ids in turn, a length in UTF-16 units and
// that many units. The language is asked for explicitly, since the thread's
// own user-interface language need not be the one the caller chose.
bool LoadResourceText(int id, bool japanese, std::string* text) {
  if (id < 0 || id > 0xFFFF) return false;
  WORD language = japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                           : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  HRSRC found =
      FindResourceExW(nullptr, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1), language);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const WCHAR* entry =
      loaded != nullptr ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
  if (entry == nullptr) return false;
  const WCHAR* end = entry + SizeofResource(nullptr, found) / sizeof(WCHAR);
  for (int index = 0; index < id % 16; ++index) {
    if (entry >= end) return false;
    entry += 1 + *entry;
  }
  if (entry >= end || *entry == 0 || entry + 1 + *entry > end) return false;
  int units = *entry;
  UINT codePage = japanese ? kCp932 : kWindowsLatin1;
  int size = WideCharToMultiByte(codePage, 0, entry + 1, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::string converted(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, entry + 1, units, &converted[0], size, nullptr, nullptr);
  *text = converted;
  return true;
}

}  // namespace os
