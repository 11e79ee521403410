// Reading and writing string values of the registry (on POSIX, of the
// registry file that stands in for it).
#pragma once

#include "os/RegistryApi.h"

namespace setup {

// Reads the value `valueName` of `subKey` below `rootKey` into `buffer`
// (`bufferSize` bytes), opening the key with full access and not looking at
// the value's type. Returns 1 when the value was read, 0 otherwise; returns 0
// at once, touching nothing, when an argument is null or `bufferSize` is 0.
// The buffer is not cleared beforehand, so a caller that sets its first byte
// to 0 reads a missing key or value, refused access and an empty value all as
// an empty string. What is read always ends with a NUL inside the buffer; a
// value that does not fit reads as empty. `view` picks the registry view the
// key is opened in: 0 for the program's own, KEY_WOW64_32KEY for the 32-bit
// one (the same view for a 32-bit program).
int ReadRegistryString(HKEY rootKey, const char* subKey, const char* valueName, char* buffer,
                       DWORD bufferSize, REGSAM view = 0);

}  // namespace setup
