// Credentials for HTTP Basic authorization (internal to the library): which
// netrc file counts, and the tokens a task sends.
#pragma once

namespace client {

// Names the netrc file read instead of the user's, or none for null; false
// when no copy could be made. Safe from any thread.
bool SetProgramNetrcFile(const char* fileName);

// The Basic tokens for a task, as new platform strings the caller frees (null
// for none): for the server, `ownToken` copied when the program set one,
// otherwise the netrc entry for `serverHost`; for the proxy, the netrc entry
// for `proxyHost` (null when no proxy is used). The netrc file is the
// program's when set, otherwise bazaro/netrc below `userDirectory`.
void MakeTokens(const char* userDirectory, const char* ownToken, const char* serverHost,
                const char* proxyHost, char*& serverToken, char*& proxyToken);

}  // namespace client
