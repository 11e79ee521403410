// Carrying a file's access rights over to the file that replaces it.
#pragma once

#include <cstdio>

namespace os {

// Gives the file open as `to` the access rights of the file `from` when that
// is a plain file and the target has such rights (POSIX permission bits);
// otherwise does nothing. A new file made for a replacement starts with
// owner-only rights, and the file it replaces must not lose the rights others
// had to read it. The rights go through the open file, never by name, so a
// swapped name cannot pass them to another file.
void CopyFileMode(const char* from, std::FILE* to);

}  // namespace os
