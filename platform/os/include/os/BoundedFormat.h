// The bounded formatter: wsprintfA's contract on every target.
//
// At most 1023 characters and a terminating NUL are written, so `out` must
// hold kBoundedFormatSize bytes. Longer output is cut at 1023 characters.
// Conversions: %s %c %d %i %u %x %X %lu %ld %lx with flags, width and
// precision; no floating point. On Windows this is wsprintfA itself.
#pragma once

#include <cstdarg>

namespace os {

constexpr int kBoundedFormatSize = 1024;

// Returns the number of characters written, not counting the NUL.
int FormatBounded(char* out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

int FormatBoundedV(char* out, const char* format, va_list arguments);

}  // namespace os
