// The kernel's source: getrandom, or /dev/urandom where the call is missing.
#include "os/RandomBytes.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

bool FromDevice(unsigned char* out, std::size_t size) {
  int device = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (device < 0) return false;
  while (size > 0) {
    ssize_t count = ::read(device, out, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    out += count;
    size -= static_cast<std::size_t>(count);
  }
  ::close(device);
  return size == 0;
}

}  // namespace

namespace os {

bool RandomBytes(void* buffer, std::size_t size) {
  unsigned char* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t count = ::getrandom(out, size, 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno == ENOSYS && FromDevice(out, size);
    }
    out += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace os
