// The certificate files a task trusts besides the system's roots (internal
// to the library): the user's own, bazaro/ca.pem in the platform user
// directory when it exists, and the one a program names for all its clients.
#pragma once

namespace client {

// Names the program's CA file (copied), or none for null; false, keeping
// the previous one, when the file cannot be opened. Safe from any thread.
bool SetProgramTrustFile(const char* fileName);

// The trusted files for a task started now, as new platform strings the
// caller frees (null for none): the user's ca.pem when it exists below
// `userDirectory`, and the program's file when one is named.
void TrustFiles(const char* userDirectory, char*& userFile, char*& programFile);

}  // namespace client
