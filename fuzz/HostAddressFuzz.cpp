// The address reader: "host:port/path" splits as the scan "%[^:]:%[^/]%s"
// would split it, parts over 255 characters are refused, and a copy of the
// address holds the same fields. An address that begins with "http://" or
// "https://" is refused, keeping the previous one, or gives a host of its
// own text with no separator in it, a path of its own text, and the scheme.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "bazaro/HostInfo.h"

namespace {

bool SameText(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
}

// The length of the scheme `text` begins with (any case), or 0.
std::size_t SchemeLength(const char* text, const char* scheme) {
  std::size_t i = 0;
  while (scheme[i] != '\0' && std::tolower(static_cast<unsigned char>(text[i])) == scheme[i]) ++i;
  return scheme[i] == '\0' ? i : 0;
}

// The properties of an address with a scheme; `rest` is what follows it.
void CheckSchemeAddress(HostInfo& info, char result, const char* rest, bool secure) {
  if (result == 0) {
    FUZZ_CHECK(SameText(info.Host(), "previous") && SameText(info.Path(), "/previous/") &&
               info.Port() == 1);
    return;
  }
  FUZZ_CHECK(result == 1 && info.Secure() == secure);
  const char* host = info.Host();
  FUZZ_CHECK(host != nullptr && host[0] != '\0' && std::strlen(host) <= 255);
  FUZZ_CHECK(std::strncmp(rest, host, std::strlen(host)) == 0);
  for (const char* c = host; *c != '\0'; ++c) {
    FUZZ_CHECK(*c != ':' && *c != '/' && !std::isspace(static_cast<unsigned char>(*c)));
  }
  if (const char* path = info.Path()) {
    FUZZ_CHECK(path[0] == '/' && std::strlen(path) <= 255 && std::strstr(rest, path) != nullptr);
    for (const char* c = path; *c != '\0'; ++c) {
      FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(*c)));
    }
  }
  std::unique_ptr<HostInfo> copy(info.Copy());
  FUZZ_CHECK(copy != nullptr && SameText(copy->Host(), host) &&
             SameText(copy->Path(), info.Path()) && copy->Port() == info.Port() &&
             copy->Secure() == secure);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  std::string address = fuzz::TextOf(data, size);
  std::unique_ptr<HostInfo> info(new HostInfo);
  info->SetInfo(const_cast<char*>("previous"), 1, const_cast<char*>("/previous/"));
  char result = info->SetInfo(address.c_str());
  for (const char* scheme : {"https://", "http://"}) {
    if (std::size_t length = SchemeLength(address.c_str(), scheme)) {
      CheckSchemeAddress(*info, result, address.c_str() + length, scheme[4] == 's');
      return 0;
    }
  }

  std::vector<char> host(address.size() + 1), port(address.size() + 1), path(address.size() + 1);
  int parts = std::sscanf(address.c_str(), "%[^:]:%[^/]%s", host.data(), port.data(), path.data());
  bool tooLong = (parts >= 1 && std::strlen(host.data()) > 255) ||
                 (parts >= 2 && std::strlen(port.data()) > 255) ||
                 (parts >= 3 && std::strlen(path.data()) > 255);
  if (tooLong) {
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(SameText(info->Host(), "previous") && SameText(info->Path(), "/previous/"));
    return 0;
  }
  FUZZ_CHECK(result == 1);
  FUZZ_CHECK(SameText(info->Host(), parts >= 1 ? host.data() : nullptr));
  FUZZ_CHECK(SameText(info->Path(), parts >= 3 ? path.data() : nullptr));
  unsigned short expectedPort =
      parts >= 2 ? static_cast<unsigned short>(std::strtoul(port.data(), nullptr, 0)) : 0;
  FUZZ_CHECK(info->Port() == expectedPort);

  std::unique_ptr<HostInfo> copy(info->Copy());
  FUZZ_CHECK(copy != nullptr && SameText(copy->Host(), info->Host()) &&
             SameText(copy->Path(), info->Path()) && copy->Port() == info->Port());
  return 0;
}
