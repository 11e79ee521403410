// The proxy file reader: its words are those the scan "%s %lu %s" reads, and
// a word over the bound makes the file unusable rather than overrunning.
#include <cstdio>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "client/ProxyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string path = fuzz::WriteScratchFile("proxy.conf", data, size);
  client::ProxyWords words;
  int converted = client::ReadProxyWords(path.c_str(), &words);
  FUZZ_CHECK(converted >= 0 && converted <= 3);
  FUZZ_CHECK(std::strlen(words.host) <= client::kMaxProxyWordLength &&
             std::strlen(words.pattern) <= client::kMaxProxyWordLength);

  // The scan sees the file up to its first NUL only.
  std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) return 0;
  std::vector<char> host(size + 1), pattern(size + 1);
  unsigned long port = 0;
  int scanned = std::sscanf(text.c_str(), "%s %lu %s", host.data(), &port, pattern.data());
  if (scanned == EOF) scanned = 0;
  bool tooLong = (scanned >= 1 && std::strlen(host.data()) > client::kMaxProxyWordLength) ||
                 (scanned >= 3 && std::strlen(pattern.data()) > client::kMaxProxyWordLength);
  if (tooLong) return 0;  // covered by the bound checks above
  FUZZ_CHECK(converted == scanned);
  if (scanned >= 1) FUZZ_CHECK(std::strcmp(words.host, host.data()) == 0);
  if (scanned >= 3) FUZZ_CHECK(std::strcmp(words.pattern, pattern.data()) == 0);
  // The scan saturates a number too large for the type; the reader keeps its
  // low 32 bits. Both agree on numbers of up to nine digits.
  char digits[16];
  if (scanned >= 2 && std::sscanf(text.c_str(), "%*s %*[+-]%15[0-9]", digits) != 1 &&
      std::sscanf(text.c_str(), "%*s %15[0-9]", digits) == 1 && std::strlen(digits) <= 9) {
    FUZZ_CHECK(words.port == (port & 0xFFFFFFFFul));
  }
  return 0;
}
