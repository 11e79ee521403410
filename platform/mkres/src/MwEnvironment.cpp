// Platform settings from the registry, through the registry calls of the
// operating-system layer (the real registry on Windows, a registry file on
// POSIX).
#include "mkres/MwEnvironment.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "os/RegistryApi.h"

namespace {

const char kSettingsRoot[] = "SOFTWARE\\Veltrane\\Mosaikon\\4.1\\INI\\";

// Every text handed out is kept here for the life of the process, so callers
// may hold on to it; equal texts share one copy. The set is never destroyed,
// so the texts outlive static destructors too.
std::mutex internMutex;

const char* Intern(const std::string& text) {
  static std::set<std::string>* texts = new std::set<std::string>;
  std::lock_guard<std::mutex> lock(internMutex);
  return texts->insert(text).first->c_str();
}

// Reads a string value; empty when the value is missing or not a string.
std::string ReadStringValue(HKEY key, const char* name) {
  // The value may grow between asking for its size and reading it; a few
  // rounds settle that.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return "";
    if (type != REG_SZ) return "";
    // One spare byte: a stored string need not end with its NUL.
    std::vector<BYTE> data(static_cast<std::size_t>(size) + 1, 0);
    DWORD filled = size;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &filled);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || type != REG_SZ) return "";
    if (filled > size) filled = size;
    data[filled] = 0;
    return std::string(reinterpret_cast<const char*>(data.data()));
  }
  return "";
}

}  // namespace

const char* MwGetEnvironment(const char* section, const char* key) {
  if (section == nullptr || key == nullptr) return Intern("");
  std::string subKey = std::string(kSettingsRoot) + section;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return Intern("");
  }
  std::string value = ReadStringValue(opened, key);
  RegCloseKey(opened);
  return Intern(value);
}

char MwDelSpaceFrontBack(char* s) {
  if (s == nullptr) return 0;
  const char* blanks = " \t\r\n";
  std::size_t length = std::strlen(s);
  std::size_t end = length;
  while (end > 0 && std::strchr(blanks, s[end - 1]) != nullptr) --end;
  std::size_t begin = 0;
  while (begin < end && std::strchr(blanks, s[begin]) != nullptr) ++begin;
  std::memmove(s, s + begin, end - begin);
  s[end - begin] = '\0';
  return 1;
}
