// The address reader: "host:port/path" splits as the scan "%[^:]:%[^/]%s"
// would split it, parts over 255 characters are refused, and a copy of the
// address holds the same fields.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  std::string address = fuzz::TextOf(data, size);
  std::unique_ptr<HostInfo> info(new HostInfo);
  info->SetInfo(const_cast<char*>("previous"), 1, const_cast<char*>("/previous/"));
  char result = info->SetInfo(address.c_str());

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
