#include "os/FileMode.h"

#include <sys/stat.h>

namespace os {

void CopyFileMode(const char* from, const char* to) {
  struct stat status;
  if (::stat(from, &status) != 0 || !S_ISREG(status.st_mode)) return;
  ::chmod(to, status.st_mode & 0777);
}

}  // namespace os
