// The netrc reader: whatever the text, the credentials found are bounded
// words of the text (a login never empty), the host's case does not matter,
// the file gives what its text gives, and a token made of what was found is
// the base64 form of "login:password" or refused, leaving no block behind.
#include <cctype>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "client/BasicToken.h"
#include "client/NetrcFile.h"
#include "mkcore/MkString.h"

namespace {

// A word of a netrc text: at most 255 characters, none of them white space.
bool IsBoundedWord(const char* word, const std::string& text) {
  std::size_t length = std::strlen(word);
  if (length > static_cast<std::size_t>(client::kMaxNetrcWordLength)) return false;
  for (const char* c = word; *c != '\0'; ++c) {
    if (std::isspace(static_cast<unsigned char>(*c))) return false;
  }
  return length == 0 || text.find(word) != std::string::npos;
}

// The host the text names first after "machine ", or "h".
std::string HostOf(const std::string& text) {
  std::size_t at = text.find("machine ");
  if (at == std::string::npos) return "h";
  at += 8;
  std::size_t end = at;
  while (end < text.size() && end - at < 300 &&
         !std::isspace(static_cast<unsigned char>(text[end]))) {
    ++end;
  }
  return text.substr(at, end - at);
}

bool SameCredentials(const client::NetrcCredentials& a, const client::NetrcCredentials& b) {
  return std::strcmp(a.login, b.login) == 0 && std::strcmp(a.password, b.password) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  const char* text = reinterpret_cast<const char*>(data);
  std::string host = HostOf(fuzz::TextOf(data, size));
  client::NetrcCredentials found;
  bool known = client::FindNetrcCredentials(text, size, host.c_str(), &found);
  std::string read = fuzz::TextOf(data, size);
  FUZZ_CHECK(IsBoundedWord(found.login, read) && IsBoundedWord(found.password, read));
  FUZZ_CHECK(known == (found.login[0] != '\0'));

  std::string upper = host;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  client::NetrcCredentials again;
  FUZZ_CHECK(client::FindNetrcCredentials(text, size, upper.c_str(), &again) == known &&
             SameCredentials(found, again));

  if (size <= client::kMostNetrcBytes) {
    std::string path = fuzz::WriteScratchFile("netrc", data, size);
    FUZZ_CHECK(client::ReadNetrcCredentials(path.c_str(), host.c_str(), &again) == known &&
               SameCredentials(found, again));
  }

  if (known) {
    char* token = client::NewBasicToken(found.login, found.password);
    std::size_t joined = std::strlen(found.login) + 1 + std::strlen(found.password);
    if (token != nullptr) {
      FUZZ_CHECK(std::strlen(token) == (joined + 2) / 3 * 4);
      FUZZ_CHECK(std::strchr(found.login, ':') == nullptr);
    }
    FreeString(&token);
  }
  return 0;
}
