#include "setup/Registry.h"

namespace setup {

int ReadRegistryString(HKEY rootKey, const char* subKey, const char* valueName, char* buffer,
                       DWORD bufferSize, REGSAM view) {
  if (rootKey == nullptr || subKey == nullptr || valueName == nullptr || buffer == nullptr ||
      bufferSize == 0) {
    return 0;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(rootKey, subKey, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return 0;
  DWORD size = bufferSize;
  LONG result =
      RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result == ERROR_SUCCESS && size < bufferSize) {
    // The value may have been stored without its NUL, or be of another type.
    buffer[size] = '\0';
    return 1;
  }
  if (result == ERROR_SUCCESS && size == bufferSize && buffer[size - 1] == '\0') return 1;
  // Too long for the buffer: whatever the query left there is not the value.
  buffer[0] = '\0';
  return 0;
}

}  // namespace setup
