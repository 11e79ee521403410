// The bounded formatter on POSIX: vsnprintf limited to wsprintfA's 1024 bytes.
#include "os/BoundedFormat.h"

#include <cstdio>

namespace os {

int FormatBoundedV(char* out, const char* format, va_list arguments) {
  int wanted = std::vsnprintf(out, kBoundedFormatSize, format, arguments);
  if (wanted < 0) {
    out[0] = '\0';
    return 0;
  }
  // vsnprintf reports what it would have written; the caller wants what it did.
  return wanted < kBoundedFormatSize ? wanted : kBoundedFormatSize - 1;
}

}  // namespace os
