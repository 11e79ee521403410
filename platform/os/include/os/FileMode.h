// Carrying a file's access rights over to the file that replaces it.
#pragma once

namespace os {

// Gives `to` the access rights of `from` when `from` exists and the target
// has such rights (POSIX permission bits); otherwise does nothing. A new
// file made for a replacement starts with owner-only rights, and the file it
// replaces must not lose the rights others had to read it.
void CopyFileMode(const char* from, const char* to);

}  // namespace os
