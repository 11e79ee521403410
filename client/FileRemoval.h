// Removing a file that its holder lets go (internal to the library).
#pragma once

namespace client {

// Removes the named file from the disk through the kernel's file object. Null
// does nothing; a file that is already gone is not an error.
void RemoveFileFromDisk(const char* file);

}  // namespace client
