#include "bazaro/HostInfo.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "client/KernelHeapAllocation.h"
#include "kernel/KernelObjects.h"

namespace {

// Each part of an address text is at most this long; longer parts are refused.
constexpr std::size_t kMaxPartLength = 255;

// Copies text[begin, end) into `buffer` (kMaxPartLength + 1 bytes). False
// when the part is too long.
bool TakePart(const char* begin, const char* end, char* buffer) {
  std::size_t length = static_cast<std::size_t>(end - begin);
  if (length > kMaxPartLength) return false;
  std::memcpy(buffer, begin, length);
  buffer[length] = '\0';
  return true;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(HostInfo)

HostInfo::HostInfo() : host(nullptr), port(0), path(nullptr) {}

HostInfo::~HostInfo() {
  FreeString(&host);
  FreeString(&path);
}

char* HostInfo::Host() { return host; }

unsigned short HostInfo::Port() { return port; }

char* HostInfo::Path() { return path; }

void HostInfo::SetInfo(char* newHost, unsigned short newPort, char* newPath) {
  // Copy first: the new texts may be this object's own.
  char* hostCopy = NewString(newHost);
  char* pathCopy = NewString(newPath);
  FreeString(&host);
  FreeString(&path);
  host = hostCopy;
  port = newPort;
  path = pathCopy;
}

// The split follows the scan "%[^:]:%[^/]%s" with every part bounded: the
// host is the run before the first ":", the port text the run after it up to
// the first "/", the path the run from that "/" up to the first white space.
// Each run must hold at least one character, and the split stops at the first
// part that is missing.
char HostInfo::SetInfo(const char* address) {
  if (address == nullptr) return 0;
  char hostText[kMaxPartLength + 1];
  char portText[kMaxPartLength + 1];
  char pathText[kMaxPartLength + 1];
  bool hasHost = false;
  bool hasPort = false;
  bool hasPath = false;

  const char* at = address;
  const char* hostEnd = std::strchr(at, ':');
  if (hostEnd == nullptr) hostEnd = at + std::strlen(at);
  if (hostEnd != at) {
    if (!TakePart(at, hostEnd, hostText)) return 0;
    hasHost = true;
    at = hostEnd;
  }
  if (hasHost && *at == ':') {
    ++at;
    const char* portEnd = std::strchr(at, '/');
    if (portEnd == nullptr) portEnd = at + std::strlen(at);
    if (portEnd != at) {
      if (!TakePart(at, portEnd, portText)) return 0;
      hasPort = true;
      at = portEnd;
    }
  }
  if (hasPort && *at == '/') {
    const char* pathEnd = at;
    while (*pathEnd != '\0' && !IsBlank(*pathEnd)) ++pathEnd;
    if (!TakePart(at, pathEnd, pathText)) return 0;
    hasPath = true;
  }

  unsigned short portNumber = 0;
  if (hasPort) {
    portNumber = static_cast<unsigned short>(std::strtoul(portText, nullptr, 0) & 0xFFFFu);
  }
  SetInfo(hasHost ? hostText : nullptr, portNumber, hasPath ? pathText : nullptr);
  return 1;
}

HostInfo* HostInfo::Copy() {
  HostInfo* copy = new HostInfo;
  if (copy != nullptr) copy->SetInfo(host, port, path);
  return copy;
}
