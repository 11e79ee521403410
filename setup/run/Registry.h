// Reading and writing string values of the registry (on POSIX, of the
// registry file that stands in for it).
#pragma once

#include "os/RegistryApi.h"

namespace setup {

// Reads the value `valueName` of `subKey` below `rootKey` into `buffer`
// (`bufferSize` bytes), opening the key only to query it. Returns 1 when the
// value was read, 0 otherwise; returns 0 at once, touching nothing, when an
// argument is null or `bufferSize` is 0. Only a REG_SZ value is read: any
// other type reads as missing, REG_EXPAND_SZ included (its variables are not
// expanded here, and "%NAME%\..." would name a folder below wherever the
// program runs). The buffer is not cleared beforehand, so a caller that sets
// its first byte to 0 reads a missing key or value, refused access and an
// empty value all as an empty string. What is read always ends with a NUL
// inside the buffer; a value that does not fit reads as empty. `view` picks
// the registry view the key is opened in: 0 for the program's own,
// KEY_WOW64_32KEY for the 32-bit one (the same view for a 32-bit program).
int ReadRegistryString(HKEY rootKey, const char* subKey, const char* valueName, char* buffer,
                       DWORD bufferSize, REGSAM view = 0);

}  // namespace setup
