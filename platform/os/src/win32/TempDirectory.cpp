// The temporary directory on Windows, from GetTempPathA.
#include "os/TempDirectory.h"

#include <cstring>

#include "os/WindowsApi.h"

namespace os {

unsigned int TempDirectory(char* buffer, unsigned int size) {
  // GetTempPathA answers at most MAX_PATH + 1 characters; asking into a local
  // buffer keeps the caller's untouched when the text does not fit.
  char path[MAX_PATH + 2];
  DWORD length = GetTempPathA(sizeof path, path);
  if (length == 0 || length >= sizeof path) return 0;
  if (path[length - 1] != '\\' && path[length - 1] != '/') {
    if (length + 1 >= sizeof path) return 0;
    path[length++] = '\\';
    path[length] = '\0';
  }
  if (buffer == nullptr || length + 1 > size) return 0;
  std::memcpy(buffer, path, length + 1);
  return length;
}

}  // namespace os
