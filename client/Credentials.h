// Credentials for HTTP Basic authorization (internal to the library): the
// program's own netrc file, and the rule for what can be a user and a
// password.
#pragma once

namespace client {

// True when `user` (not null) holds no ':' and no control character and
// `password` (null for empty) holds no control character.
bool CanBeCredentials(const char* user, const char* password);

// Names the netrc file read instead of the user's, or none for null; false
// when no copy could be made. Safe from any thread.
bool SetProgramNetrcFile(const char* fileName);

}  // namespace client
