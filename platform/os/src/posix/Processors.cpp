// The processor count on POSIX: the processors online now.
#include "os/Processors.h"

#include <unistd.h>

namespace os {

unsigned int ProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<unsigned int>(count) : 1u;
}

}  // namespace os
