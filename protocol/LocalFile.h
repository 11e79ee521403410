// Whole local files read into memory for the transfers that send them.
#pragma once

#include "protocol/KernelBuffer.h"

namespace protocol {

// The whole content of the file `name` in a new kernel-heap buffer of
// `length` bytes (at least one byte is allocated, so an empty file gives a
// buffer too). Null when the file cannot be opened, when it is longer than
// `largest` bytes (found before anything is read), or when what can be read
// is not exactly the length the file announced: a file that cannot be read
// whole is never passed on in part.
KernelBuffer LoadFile(const char* name, unsigned long& length, unsigned long largest);

}  // namespace protocol
