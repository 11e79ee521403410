// The system's directory for temporary files.
#pragma once

namespace os {

// Writes the directory, always ending with the path separator, into `buffer`
// (`size` bytes) the way GetTempPathA does: Windows asks the system; POSIX
// takes $TMPDIR when set and not empty, otherwise "/tmp/". Returns the length
// written, or 0 when the text and its NUL do not fit (then nothing is written).
unsigned int TempDirectory(char* buffer, unsigned int size);

}  // namespace os
