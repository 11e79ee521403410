// The temporary directory on POSIX: $TMPDIR when set and not empty, else /tmp.
#include "os/TempDirectory.h"

#include <cstdlib>
#include <cstring>

namespace os {

unsigned int TempDirectory(char* buffer, unsigned int size) {
  const char* directory = std::getenv("TMPDIR");
  if (directory == nullptr || directory[0] == '\0') directory = "/tmp/";
  std::size_t length = std::strlen(directory);
  bool addSeparator = directory[length - 1] != '/';
  std::size_t total = length + (addSeparator ? 1 : 0);
  if (buffer == nullptr || total + 1 > size) return 0;
  std::memcpy(buffer, directory, length);
  if (addSeparator) buffer[length] = '/';
  buffer[total] = '\0';
  return static_cast<unsigned int>(total);
}

}  // namespace os
