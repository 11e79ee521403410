// The proxy file (internal to the library): up to three words separated by
// white space, "host port [pattern]", kept in the platform user directory as
// bazaro/proxy.conf. The port is an unsigned decimal number whose low 16 bits
// are used; a server whose host name contains the pattern is reached directly.
#pragma once

namespace client {

// Words of at most this many characters; a longer word makes the file unusable.
constexpr int kMaxProxyWordLength = 255;

struct ProxyWords {
  char host[kMaxProxyWordLength + 1];
  unsigned long port;  // as read, modulo 2^32
  char pattern[kMaxProxyWordLength + 1];
};

// The name of the library's file `fileName` below `userDirectory`
// (userDirectory/bazaro/fileName), joined with the target's separator, as a
// platform string the caller frees; null when there is no user directory
// (null or empty) or the name would be too long.
char* UserFileName(const char* userDirectory, const char* fileName);
// The proxy file's name: UserFileName for "proxy.conf".
char* ProxyFileName(const char* userDirectory);

// Reads the words of the file `fileName` the way the scan "%s %lu %s" would,
// with every word bounded. Returns the number of words converted (0 to 3):
// 0 for a missing or empty file, 1 when the second word is not a number, and
// 0 when any word read is longer than kMaxProxyWordLength. `words` starts as
// an empty host, port 0 and an empty pattern.
int ReadProxyWords(const char* fileName, ProxyWords* words);

}  // namespace client
