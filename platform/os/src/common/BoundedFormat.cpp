// The variadic form of the bounded formatter; each target supplies the
// va_list form.
#include "os/BoundedFormat.h"

namespace os {

int FormatBounded(char* out, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int written = FormatBoundedV(out, format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace os
