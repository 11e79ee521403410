// The netrc file (internal to the library): the login and password the user
// keeps for each server, in the usual netrc form, as bazaro/netrc below the
// platform user directory.
//
// The text is a sequence of words separated by any white space. "machine
// NAME" starts an entry for one host, "default" the entry for every host no
// machine entry names (only the first "default" counts); inside an entry
// "login USER" and "password PASSWORD" give the credentials, "account X" is
// ignored, and "macdef NAME" skips a macro body up to the next empty line.
// A word that begins with "#" where a keyword is expected starts a comment
// to the end of the line; the values after "machine", "login", "password",
// "account" and "macdef" are taken as they stand, so a password may begin
// with "#". An entry counts only with a login; its password may be empty.
//
// Everything is bounded: words of at most kMaxNetrcWordLength characters (a
// longer word makes its entry unusable, the rest of the file still counts),
// the first kMostNetrcBytes of a file (what lies beyond is ignored), and a
// NUL ends the text. Nothing allocates except the file's read buffer, and
// the results go to the caller's NetrcCredentials.
#pragma once

#include <cstddef>

namespace client {

constexpr int kMaxNetrcWordLength = 255;
constexpr std::size_t kMostNetrcBytes = 64 * 1024;

struct NetrcCredentials {
  char login[kMaxNetrcWordLength + 1];
  char password[kMaxNetrcWordLength + 1];
};

// The netrc file's name: UserFileName for "netrc", a platform string the
// caller frees; null without a user directory.
char* NetrcFileName(const char* userDirectory);

// Looks `host` up in the netrc text of `length` bytes: the first machine
// entry that counts and whose name equals `host` without regard to ASCII
// case, else the first default entry when it counts. True with `found`
// holding its login and password; false (with `found` empty) when there is
// none or `host` is null.
bool FindNetrcCredentials(const char* text, std::size_t length, const char* host,
                          NetrcCredentials* found);

// FindNetrcCredentials on the first kMostNetrcBytes of the file `fileName`.
// A null name, a missing or unreadable file or a directory has no entries.
bool ReadNetrcCredentials(const char* fileName, const char* host, NetrcCredentials* found);

}  // namespace client
