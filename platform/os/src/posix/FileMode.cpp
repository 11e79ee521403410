#include "os/FileMode.h"

#include <sys/stat.h>
#include <unistd.h>

namespace os {

void CopyFileMode(const char* from, std::FILE* to) {
  struct stat status;
  if (::stat(from, &status) != 0 || !S_ISREG(status.st_mode)) return;
  ::fchmod(::fileno(to), status.st_mode & 0777);
}

}  // namespace os
