// The certificate files a task trusts besides the system's roots (internal
// to the library): the user's own, bazaro/ca.pem in the platform user
// directory when it exists, and the one a program names for all its clients.
#pragma once

#include <string>
#include <vector>

namespace client {

// Names the program's CA file (copied), or none for null; false, keeping
// the previous one, when the file cannot be opened. Safe from any thread.
bool SetProgramTrustFile(const char* fileName);

// The trusted files for a task started now: the user's ca.pem when it
// exists below `userDirectory`, then the program's file when one is named.
std::vector<std::string> TrustFiles(const char* userDirectory);

}  // namespace client
