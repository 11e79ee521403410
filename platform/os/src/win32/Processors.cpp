// The processor count on Windows, as the system reports it.
#include "os/Processors.h"

#include <windows.h>

namespace os {

unsigned int ProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<unsigned int>(info.dwNumberOfProcessors) : 1u;
}

}  // namespace os
