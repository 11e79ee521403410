// The kernel's source, through getrandom.
#include "os/RandomBytes.h"

#include <cerrno>

#include <sys/random.h>

namespace os {

bool RandomBytes(void* buffer, std::size_t size) {
  unsigned char* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t count = ::getrandom(out, size, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace os
