#include "setup/run/Registry.h"

namespace setup {

int ReadRegistryString(HKEY rootKey, const char* subKey, const char* valueName, char* buffer,
                       DWORD bufferSize, REGSAM view) {
  if (rootKey == nullptr || subKey == nullptr || valueName == nullptr || buffer == nullptr ||
      bufferSize == 0) {
    return 0;
  }
  HKEY key = nullptr;
  // Only the right to read: a standard user may read what the platform wrote.
  if (RegOpenKeyExA(rootKey, subKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return 0;
  DWORD type = REG_NONE;
  DWORD size = bufferSize;
  LONG result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result == ERROR_SUCCESS && type == REG_SZ) {
    if (size < bufferSize) {
      // The value may have been stored without its NUL.
      buffer[size] = '\0';
      return 1;
    }
    if (size == bufferSize && buffer[size - 1] == '\0') return 1;
  }
  // Too long for the buffer, or not a string: whatever the query left there
  // is not the value.
  buffer[0] = '\0';
  return 0;
}

}  // namespace setup
