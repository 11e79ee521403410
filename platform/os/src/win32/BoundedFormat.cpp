// The bounded formatter on Windows: wvsprintfA itself.
#include "os/BoundedFormat.h"

#include "os/WindowsApi.h"

namespace os {

int FormatBoundedV(char* out, const char* format, va_list arguments) {
  int written = wvsprintfA(out, format, arguments);
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  // The documented count of a cut output is 1023; keep to it even where a
  // runtime reports the buffer's size instead.
  return written < kBoundedFormatSize ? written : kBoundedFormatSize - 1;
}

}  // namespace os
