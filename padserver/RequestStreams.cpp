#include "padserver/RequestStreams.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "os/SocketWait.h"

namespace padserver {

long DescriptorStreams::Read(char* buffer, std::size_t size, std::uint64_t timeoutSeconds) {
  const std::uint64_t milliseconds = std::min<std::uint64_t>(timeoutSeconds, 86400) * 1000;
  for (;;) {
    int ready = os::WaitForSocket(input_, os::kSocketReadable, static_cast<unsigned>(milliseconds));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return kTimedOut;
    if (ready < 0) return -1;
    ssize_t got = ::read(input_, buffer, size);
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<long>(got);
  }
}

bool DescriptorStreams::Write(const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(output_, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace padserver
